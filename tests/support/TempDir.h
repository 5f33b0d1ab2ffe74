// A temporary directory for one test, removed with everything in it when the
// object goes out of scope.
#ifndef TESTS_SUPPORT_TEMPDIR_H
#define TESTS_SUPPORT_TEMPDIR_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class TempDir {
public:
  TempDir() {
    std::string tmpl =
        (std::filesystem::temp_directory_path() / "board-test-XXXXXX").string();
    if (!mkdtemp(&tmpl[0]))
      throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::filesystem::path &path() const { return m_path; }
  std::string file(const std::string &name) const {
    return (m_path / name).string();
  }

  // Writes text to name (relative to the directory), creating parent folders.
  std::string write(const std::string &name, const std::string &text) const {
    const std::filesystem::path p = m_path / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }

  static std::string read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

private:
  std::filesystem::path m_path;
};

#endif
