// An owned file descriptor, closed when the object goes out of scope unless
// it has been released to a new owner.
#ifndef LUMO_FILEDESCRIPTOR_H
#define LUMO_FILEDESCRIPTOR_H

#include <unistd.h>

namespace LumoVarnok {

class FileDescriptor {
public:
  explicit FileDescriptor(int fd = -1) : m_iFd(fd) {}
  ~FileDescriptor() {
    if (m_iFd >= 0)
      close(m_iFd);
  }
  FileDescriptor(const FileDescriptor &) = delete;
  FileDescriptor &operator=(const FileDescriptor &) = delete;

  int get() const { return m_iFd; }
  bool valid() const { return m_iFd >= 0; }
  int release() {
    const int fd = m_iFd;
    m_iFd = -1;
    return fd;
  }

private:
  int m_iFd;
};

} // namespace LumoVarnok

#endif // LUMO_FILEDESCRIPTOR_H
