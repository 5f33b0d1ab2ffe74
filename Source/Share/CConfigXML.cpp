#include "CConfigXML.h"

#include "CLocaleNumbers.h"

#include <tinyxml.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Writes doc to path through a temporary file in the same directory and a
// rename over the old file: either the old or the new document is on disk,
// never a mix, and a failure at any step leaves the old file untouched.
bool ReplaceFileAtomically(const TiXmlDocument &doc, const std::string &path) {
  const std::string::size_type slash = path.rfind('/');
  const std::string dir =
      slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  std::string tmpl = dir + "/.config.xml.XXXXXX";
  int fd = mkstemp(&tmpl[0]);
  if (fd < 0)
    return false;

  // Keep the permissions of the file being replaced (mkstemp makes 0600).
  struct stat st;
  mode_t mode = 0644;
  if (stat(path.c_str(), &st) == 0)
    mode = st.st_mode & 07777;
  bool ok = fchmod(fd, mode) == 0;

  FILE *fp = ok ? fdopen(fd, "w") : nullptr;
  if (!fp) {
    close(fd);
    unlink(tmpl.c_str());
    return false;
  }
  ok = doc.SaveFile(fp);
  ok = fflush(fp) == 0 && ok;
  ok = fsync(fileno(fp)) == 0 && ok;
  ok = fclose(fp) == 0 && ok;
  if (ok)
    ok = rename(tmpl.c_str(), path.c_str()) == 0;
  if (!ok)
    unlink(tmpl.c_str());
  return ok;
}

std::string PointName(const char *prefix, int index) {
  return std::string(prefix) + std::to_string(index);
}

} // namespace

CConfigXML::CConfigXML() : m_pDoc(nullptr), m_bLoaded(false) {}

CConfigXML::~CConfigXML() { delete m_pDoc; }

std::mutex &CConfigXML::FileLock() {
  static std::mutex lock;
  return lock;
}

bool CConfigXML::Open(const char *path) {
  std::lock_guard<std::mutex> guard(FileLock());
  delete m_pDoc;
  m_bLoaded = false;
  m_pDoc = new TiXmlDocument(path ? path : "");
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (attempt > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(kOpenRetryMs));
    // A failed attempt may leave partial nodes behind; start each one clean.
    m_pDoc->Clear();
    if (m_pDoc->LoadFile(TIXML_DEFAULT_ENCODING)) {
      m_bLoaded = true;
      return true;
    }
  }
  return false;
}

void CConfigXML::Close() {
  m_bLoaded = false;
  delete m_pDoc;
  m_pDoc = nullptr;
}

bool CConfigXML::Save() {
  std::lock_guard<std::mutex> guard(FileLock());
  if (!m_pDoc || !m_bLoaded)
    return false;
  return ReplaceFileAtomically(*m_pDoc, m_pDoc->ValueStr());
}

TiXmlElement *CConfigXML::FindKey(const char *section,
                                  const char *element) const {
  if (!section || !*section || !element || !*element)
    return nullptr;
  if (!m_pDoc || !m_bLoaded)
    return nullptr;
  TiXmlElement *root = m_pDoc->FirstChildElement();
  if (!root)
    return nullptr;
  // Only the first section of a name is searched; later duplicates are ignored.
  TiXmlElement *sec = root->FirstChildElement(section);
  if (!sec)
    return nullptr;
  return sec->FirstChildElement(element);
}

bool CConfigXML::GetInt(const char *section, const char *element,
                        const char *attribute, int &out, int def) const {
  TiXmlElement *key = FindKey(section, element);
  if (!key) {
    out = def;
    return false;
  }
  const char *text = attribute ? key->Attribute(attribute) : nullptr;
  int value;
  if (text && CLocaleNumbers::ScanInt(text, value))
    out = value;
  return true;
}

bool CConfigXML::SetInt(const char *section, const char *element,
                        const char *attribute, int value) {
  TiXmlElement *key = FindKey(section, element);
  if (!key || !attribute)
    return false;
  key->SetAttribute(attribute, CLocaleNumbers::FormatInt(value).c_str());
  return true;
}

bool CConfigXML::GetString(const char *section, const char *element,
                           const char *attribute, char *out,
                           std::size_t outSize) const {
  TiXmlElement *key = FindKey(section, element);
  if (!key || !attribute || !out)
    return false;
  const char *text = key->Attribute(attribute);
  if (!text)
    return false;
  const std::size_t len = std::strlen(text);
  if (len >= outSize)
    return false;
  std::memcpy(out, text, len + 1);
  return true;
}

bool CConfigXML::SetString(const char *section, const char *element,
                           const char *attribute, const char *value) {
  TiXmlElement *key = FindKey(section, element);
  if (!key || !attribute || !value)
    return false;
  key->SetAttribute(attribute, value);
  return true;
}

bool CConfigXML::PointNamesFit(const char *prefix, int count) {
  if (!prefix)
    return false;
  // The last index has the most digits.
  return count <= 0 ||
         PointName(prefix, count - 1).size() <= kMaxPointNameLength;
}

bool CConfigXML::GetPoints(const char *section, const char *element,
                           const char *prefix, int count,
                           double out[][2]) const {
  TiXmlElement *key = FindKey(section, element);
  if (!key || !PointNamesFit(prefix, count) || (count > 0 && !out))
    return false;
  for (int i = 0; i < count; ++i) {
    const char *text = key->Attribute(PointName(prefix, i).c_str());
    double x, y;
    if (text && CLocaleNumbers::ScanPoint(text, x, y)) {
      out[i][0] = x;
      out[i][1] = y;
    }
  }
  return true;
}

bool CConfigXML::SetPoints(const char *section, const char *element,
                           const char *prefix, int count,
                           const double in[][2]) {
  TiXmlElement *key = FindKey(section, element);
  if (!key || !PointNamesFit(prefix, count) || (count > 0 && !in))
    return false;
  for (int i = 0; i < count; ++i)
    key->SetAttribute(PointName(prefix, i).c_str(),
                      CLocaleNumbers::FormatPoint(in[i][0], in[i][1]).c_str());
  return true;
}
