// The data bytes of one controller request, built value by value in the
// protocol's byte order (little-endian). A request that would outgrow what a
// frame carries, or that is given a null pointer for bytes it should copy, is
// marked unusable; sending it fails without any I/O.
#ifndef LUMO_COMMANDDATA_H
#define LUMO_COMMANDDATA_H

#include <Lumo/LumoProtocol.h>

#include <cstddef>
#include <cstring>

namespace LumoCommand {

class CommandData {
public:
  CommandData &U8(unsigned value) { return Put(value, 1); }
  CommandData &U16(unsigned value) { return Put(value, 2); }
  CommandData &U32(unsigned value) { return Put(value, 4); }
  CommandData &Bytes(const void *bytes, size_t count) {
    if (count == 0)
      return *this;
    if (!bytes || !Fits(count))
      return MarkUnusable();
    std::memcpy(m_bytes + m_size, bytes, count);
    m_size += count;
    return *this;
  }

  const unsigned char *data() const { return m_bytes; }
  unsigned char size() const { return static_cast<unsigned char>(m_size); }
  bool usable() const { return m_bUsable; }

private:
  bool Fits(size_t count) const {
    return m_bUsable && count <= LUMO_REQUEST_DATA_MAX - m_size;
  }
  CommandData &Put(unsigned value, size_t count) {
    if (!Fits(count))
      return MarkUnusable();
    for (size_t i = 0; i < count; ++i)
      m_bytes[m_size++] = static_cast<unsigned char>(value >> (8 * i));
    return *this;
  }
  CommandData &MarkUnusable() {
    m_bUsable = false;
    return *this;
  }

  unsigned char m_bytes[LUMO_REQUEST_DATA_MAX] = {};
  size_t m_size = 0;
  bool m_bUsable = true;
};

// Shorthands for the requests that start with one value.
inline CommandData NoData() {
  return CommandData();
}
inline CommandData U8(unsigned value) {
  return CommandData().U8(value);
}
inline CommandData U16(unsigned value) {
  return CommandData().U16(value);
}
inline CommandData U32(unsigned value) {
  return CommandData().U32(value);
}

} // namespace LumoCommand

#endif // LUMO_COMMANDDATA_H
