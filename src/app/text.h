// Small text helpers shared by the portable core. Text is UTF-8 throughout.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// Removes leading and trailing blanks and control characters (codes up to 32).
std::string_view Trim(std::string_view text);

// True when the text holds nothing but blanks and control characters.
bool IsBlank(std::string_view text);

// Reads a signed decimal integer, tolerating surrounding blanks. Returns
// nothing when the text is not a number or does not fit in 32 bits.
std::optional<int32_t> ParseInt(std::string_view text);

// ParseInt with a fallback for text that is not a number.
int32_t ParseIntOr(std::string_view text, int32_t fallback);

// ASCII upper case; other bytes (UTF-8 sequences included) are kept.
std::string AsciiUpper(std::string_view text);

// Registry entry name of list index i: four digits with leading zeros.
std::string ListEntryName(int index);

}  // namespace lumora

namespace lumora {

// Conversions between UTF-8 and UTF-16; invalid sequences become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace lumora
