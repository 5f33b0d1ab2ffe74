// The exported touch-screen functions, through the shared library as a
// program links it, and the library's exported symbols.
#include "support/EmulatedTouchScreen.h"

#include <Lumo/Lumo.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Found {
  std::string path;
  std::wstring serial;
  bool hasSerial;
};

void CollectA(void *user, const char *path, const wchar_t *serial) {
  static_cast<std::vector<Found> *>(user)->push_back(
      {path, serial ? serial : L"", serial != nullptr});
}

void CollectW(void *user, const wchar_t *path, const wchar_t *serial) {
  const std::wstring wide(path);
  static_cast<std::vector<Found> *>(user)->push_back(
      {std::string(wide.begin(), wide.end()), serial ? serial : L"",
       serial != nullptr});
}

TEST(LumoTouchScreenTest, EnumerateOpenReadSerialAndClose) {
  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen(0x2621, 0x2211, "AB");
  const EmulatedDevice boot = bed.AddTouchScreen(0x2621, 0x4510, "BOOT");

  std::vector<Found> found;
  LumoEnumTouchScreensA(CollectA, &found);
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(screen.sysPath, found[0].path);
  EXPECT_EQ(L"AB", found[0].serial);
  EXPECT_STREQ("C", std::setlocale(LC_ALL, nullptr));

  found.clear();
  LumoEnumTouchScreensW(CollectW, &found);
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(screen.sysPath, found[0].path);

  found.clear();
  LumoEnumBootA(CollectA, &found);
  LumoEnumBootW(CollectW, &found);
  ASSERT_EQ(2u, found.size());
  EXPECT_EQ(boot.sysPath, found[0].path);
  EXPECT_EQ(boot.sysPath, found[1].path);
  EXPECT_EQ(L"BOOT", found[1].serial);

  void *handle = nullptr;
  EXPECT_EQ(-1, LumoOpenTouchScreenA(screen.devNode.c_str(), &handle));
  ASSERT_EQ(0, LumoOpenTouchScreenA(screen.sysPath.c_str(), &handle));
  wchar_t serial[8];
  unsigned int size = 0;
  EXPECT_EQ(-1, LumoGetTouchScreenSerialNumber(handle, serial, 8, &size));
  EXPECT_EQ(12u, size);
  EXPECT_EQ(
      0, LumoGetTouchScreenSerialNumber(handle, serial, sizeof serial, &size));
  EXPECT_EQ(std::wstring(L"AB"), serial);
  EXPECT_EQ(0, LumoCloseTouchScreen(handle));
  EXPECT_EQ(-1, LumoCloseTouchScreen(nullptr));
  EXPECT_EQ(-1, LumoGetTouchScreenSerialNumber(nullptr, serial, sizeof serial,
                                               &size));

  const std::wstring widePath(screen.sysPath.begin(), screen.sysPath.end());
  ASSERT_EQ(0, LumoOpenTouchScreenW(widePath.c_str(), &handle));
  EXPECT_EQ(0, LumoCloseTouchScreen(handle));
  EXPECT_EQ(-1, LumoOpenTouchScreenW(L"/dev/hidraw0", &handle));
}

// The names of the functions and objects that an ELF shared object defines
// for other objects to link against.
std::vector<std::string> ExportedSymbols(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> image((std::istreambuf_iterator<char>(file)), {});
  std::vector<std::string> names;
  if (image.size() < sizeof(Elf64_Ehdr))
    return names;
  Elf64_Ehdr header;
  std::memcpy(&header, image.data(), sizeof header);
  auto section = [&](size_t index) {
    Elf64_Shdr s;
    std::memcpy(&s, image.data() + header.e_shoff + index * sizeof s, sizeof s);
    return s;
  };
  for (size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symbols = section(i);
    if (symbols.sh_type != SHT_DYNSYM)
      continue;
    const Elf64_Shdr strings = section(symbols.sh_link);
    for (size_t off = 0; off + sizeof(Elf64_Sym) <= symbols.sh_size;
         off += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol;
      std::memcpy(&symbol, image.data() + symbols.sh_offset + off,
                  sizeof symbol);
      const unsigned type = ELF64_ST_TYPE(symbol.st_info);
      const unsigned bind = ELF64_ST_BIND(symbol.st_info);
      if (symbol.st_shndx == SHN_UNDEF || bind == STB_LOCAL ||
          (type != STT_FUNC && type != STT_OBJECT))
        continue;
      names.emplace_back(image.data() + strings.sh_offset + symbol.st_name);
    }
  }
  return names;
}

TEST(LumoTouchScreenTest, LibraryExportsItsCFunctionsOnly) {
  const std::vector<std::string> names = ExportedSymbols(LUMO_LIBRARY_FILE);
  EXPECT_FALSE(names.empty());
  // No C++ name (the platform layer, the standard library's templates).
  for (const std::string &name : names)
    EXPECT_NE(0u, name.rfind("_Z", 0)) << name;
  const char *expected[] = {
      "LumoEnumTouchScreensA", "LumoEnumTouchScreensW",
      "LumoEnumBootA",         "LumoEnumBootW",
      "LumoOpenTouchScreenA",  "LumoOpenTouchScreenW",
      "LumoCloseTouchScreen",  "LumoGetTouchScreenSerialNumber"};
  for (const char *name : expected)
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), name)) << name;
}

} // namespace
