#pragma once

#include <string>
#include <string_view>

// Text is UTF-8 inside the program; UTF-16 exists only at the Win32 boundary
// and GBK only at the file boundary.
namespace kestrune {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace kestrune
