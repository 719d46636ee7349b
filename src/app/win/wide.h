// Conversions between the core's UTF-8 text and the wide strings of the W APIs.
#pragma once

#include <string>
#include <string_view>

namespace lumora::win {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace lumora::win
