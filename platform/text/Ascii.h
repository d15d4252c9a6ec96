#pragma once

#include <string>
#include <string_view>

namespace platform {

// Letter case of ASCII only: bytes above 127 (UTF-8 sequences, code-page letters) stay as
// they are, so a comparison never depends on the process locale.
char LowerAscii(char c);
std::string ToLowerAscii(std::string_view text);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
bool EqualsNoCase(std::string_view a, std::string_view b);

// The value of a hexadecimal digit of either case; -1 for any other character.
int HexDigitValue(char c);

}  // namespace platform
