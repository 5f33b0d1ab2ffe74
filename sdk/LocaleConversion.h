// Conversions between multibyte and wide strings. Each converts in the
// locale of the environment (setlocale with an empty name) and then sets the
// whole process locale to "C", so that after any conversion the process runs
// in the "C" locale. Conversions inside libLumo are serialised with each
// other; other threads of the process that use the locale meanwhile race with
// the switch, which is inherent in changing the process locale.
#ifndef LUMO_LOCALECONVERSION_H
#define LUMO_LOCALECONVERSION_H

#include <memory>

namespace LumoVarnok {

// Null for a null text (the locale is then left alone) and for a text that
// the environment's locale cannot convert.
std::unique_ptr<wchar_t[]> MultiByteToWide(const char *text);
std::unique_ptr<char[]> WideToMultiByte(const wchar_t *text);

} // namespace LumoVarnok

#endif // LUMO_LOCALECONVERSION_H
