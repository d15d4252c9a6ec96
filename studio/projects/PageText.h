#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct PageImage;

// Text helpers of the page scanner and the page writer. Searches run on ASCII-lower-cased
// copies, whose offsets equal the original's, while every value is taken from the original
// text: file names are case-sensitive here.

// The length of the scheme an address begins with ("http" in "http://host/"), 0 when it
// has none. A single letter is a drive, not a scheme.
std::size_t UrlSchemeLength(std::string_view text);

// The value of an attribute in the text of one tag: "name", optional blanks, '=', optional
// blanks, then a value in double quotes, in single quotes or bare (up to the next blank or
// the tag's '>'). The name is matched without regard to case and only as a whole attribute
// name, so "src" is not found inside "lowsrc". Empty when the name is missing or the value's
// closing quote or '>' is missing.
std::string GetTagAttribute(std::string_view tag, std::string_view name);

// The position of the '>' that closes the tag opening at `open`. A '>' inside a quoted
// attribute value does not close it; when a quote never closes, the first '>' does (as the
// plain search would). npos when there is none.
std::size_t FindTagEnd(std::string_view text, std::size_t open);

// Whether two picture addresses name the same file, for matching the pictures of the text
// with those of the document: equal as they stand, equal once the four common entities
// are decoded, equal once reduced to their URL paths, or else (with '\\' read as '/') the
// shorter is the trailing part of the longer and begins right behind a '/'.
bool IsSameUrl(std::string a, std::string b);

// Makes a file name safe inside the quoted script arguments and the quoted src of a written
// line: '%', quotes, angle brackets, '#' (a picture file's name, never a fragment: a source
// is decoded when read) and control characters are percent-encoded and '\\'
// becomes '/'. DecodePageUrl undoes every %XX, so a name read back is the name written.
std::string EncodePageUrl(std::string_view name);
std::string DecodePageUrl(std::string_view text);

// Reads the six arguments of a written viewer line from the text that follows
// "new vantelo(": zoom source, zoom width, zoom height, page picture, page width, page
// height. Quoted arguments may hold commas and brackets; a missing argument is empty or 0.
void ReadViewerArguments(std::string_view arguments, PageImage& image);
