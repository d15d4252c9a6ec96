#pragma once

#include <string>
#include <string_view>

namespace platform {

// The folder part of a path without its trailing '/' ("." for a bare name, "/" for the
// root); trailing separators of the path itself are ignored.
std::string ParentOf(std::string_view path);
// The last component of a path, trailing separators ignored.
std::string NameOf(std::string_view path);
// The folder text with one '/' at its end (an empty text stays empty).
std::string WithTrailingSlash(std::string_view folder);
// A name that stays inside its folder: not empty, no '/', not "." or "..", no NUL.
bool IsPlainName(std::string_view name);
// The path made absolute against the working folder and cleaned of "." and ".."
// components and repeated separators; the last component is kept as it is (a link is not
// followed).
std::string AbsolutePath(std::string_view path);
// The path as a URI path: bytes outside letters, digits, '/', '-', '_', '.' and '~' are
// percent-encoded.
std::string PercentEncodePath(std::string_view path);

}  // namespace platform
