// Access to the daemon's configuration file, Config/config.xml.
//
// A short-lived object: construct, Open, any number of Get/Set calls, Save if
// anything was set, Close (or destroy). Values are addressed as
// (section, element, attribute) three levels below the root element. Loading
// and saving are serialised across all threads by one process-wide lock; the
// accessors touch only this instance's document.
//
// Numbers are read and written with a decimal point whatever the process
// locale. Saving replaces the file atomically, so readers never see a torn
// document and a failed save leaves the previous file whole.
#ifndef CCONFIGXML_H
#define CCONFIGXML_H

#include <cstddef>
#include <mutex>
#include <string>

class TiXmlDocument;
class TiXmlElement;

class CConfigXML {
public:
  // Number of load attempts made by Open, and the pause between two of them.
  static constexpr int kOpenAttempts = 15;
  static constexpr int kOpenRetryMs = 20;
  // Longest attribute name of a point array ("key35", "dot123", ...).
  static constexpr std::size_t kMaxPointNameLength = 14;

  CConfigXML();
  virtual ~CConfigXML();
  CConfigXML(const CConfigXML &) = delete;
  CConfigXML &operator=(const CConfigXML &) = delete;

  // Loads the file under the config-file lock, trying kOpenAttempts times
  // kOpenRetryMs apart. False when no attempt succeeded.
  bool Open(const char *path);
  void Close();
  // Writes the loaded document back to the file it came from. False when
  // nothing is loaded or the file could not be replaced; the previous file is
  // then left as it was.
  bool Save();

  // The first element named `element` in the first section named `section`;
  // null when either is missing, a name is empty or nothing is loaded.
  TiXmlElement *FindKey(const char *section, const char *element) const;

  // Element missing: out = def, false. Element present: out takes the
  // attribute's leading integer when it has one, else keeps its value; true.
  bool GetInt(const char *section, const char *element, const char *attribute,
              int &out, int def) const;
  // Element missing: false. Otherwise writes the decimal text (creating the
  // attribute when needed); true.
  bool SetInt(const char *section, const char *element, const char *attribute,
              int value);
  // Copies the attribute's text into out (outSize bytes, terminator included).
  // False, with out unchanged, when the element or attribute is missing or
  // the text does not fit.
  bool GetString(const char *section, const char *element,
                 const char *attribute, char *out, std::size_t outSize) const;
  bool SetString(const char *section, const char *element,
                 const char *attribute, const char *value);
  // Point arrays: attributes prefix0 .. prefix<count-1> holding "(x,y)".
  // GetPoints leaves out[i] unchanged for a missing or unreadable attribute.
  // Both refuse (false, nothing touched) when a name would exceed
  // kMaxPointNameLength characters.
  bool GetPoints(const char *section, const char *element, const char *prefix,
                 int count, double out[][2]) const;
  bool SetPoints(const char *section, const char *element, const char *prefix,
                 int count, const double in[][2]);

  bool IsLoaded() const { return m_bLoaded; }

  // The process-wide lock that serialises loading and saving of the file.
  static std::mutex &FileLock();

private:
  static bool PointNamesFit(const char *prefix, int count);

  TiXmlDocument *m_pDoc; // owned; null when none
  bool m_bLoaded;
};

#endif // CCONFIGXML_H
