// Conversions between the program's code page 936 texts and UTF-8 (the
// archive database, the host's file names in the native build).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvarion {

// Texts the Win32 conversions cannot take whole (more than INT_MAX bytes or
// code units) are not converted: the result is empty, never a cut text.
inline constexpr std::size_t kMaxConvertibleLength = 0x7FFFFFFF;

// Bytes that do not convert become '?'.
std::string Cp936ToUtf8(std::string_view text);
std::string Utf8ToCp936(std::string_view text);
// Clipboard text offered as UTF-16 (the platform's wide text). Characters code
// page 936 lacks, and unpaired surrogates, become '?'.
std::string Utf16ToCp936(std::u16string_view text);
// Text put on the clipboard as wide text beside its code page 936 bytes.
std::u16string Cp936ToUtf16(std::string_view text);

}  // namespace kelvarion
