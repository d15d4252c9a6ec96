#pragma once

#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <string_view>

#include "studio/core/AnimationPoint.h"

// The animation file: narrow text kept beside its picture in a hidden file with the
// picture's base name and the extension ".vte". Its elements follow each other without line
// breaks, blanks, escapes or a terminator, always in this order:
//
//   <ANIMTITLE>title</ANIMTITLE><ANIMMODE>2</ANIMMODE><ANIMSPEED>100</ANIMSPEED>
//   <ANIMWINDOWWIDTH>320</ANIMWINDOWWIDTH><ANIMWINDOWHEIGHT>200</ANIMWINDOWHEIGHT>
//   <POINTDATA><POINT><NAME>name</NAME><POS>x,y,z</POS><SIZE>w,h</SIZE></POINT>...</POINTDATA>
//
// Tags are case-sensitive; a value runs up to the next '<', so no value may hold one.
namespace animation_file {

// What the file holds besides the points.
struct Settings {
    std::string title;
    int playMode = 2;
    int speed = 100;
    int windowWidth = 320;
    int windowHeight = 200;
};

// What a read found: a value the text did not hold stays unset.
struct ReadValues {
    std::optional<std::string> title;
    std::optional<int> playMode;
    std::optional<int> speed;
    std::optional<int> windowWidth;
    std::optional<int> windowHeight;
};

// Files larger than this are not animations of ours and are not read.
constexpr std::size_t kMaxFileSize = 16u << 20;

// The text with '<' and '>' turned into '(' and ')': a value that can be read back whole.
std::string SafeValue(std::string_view text);

// The file's text. Numbers are written in the C locale; the title and the point names go
// through SafeValue.
std::string Write(const Settings& settings, const std::list<AnimationPoint>& points);

// Reads a file's text: its settings into `values`, its points appended to `points` in
// order. Unknown tags are passed over. False when the text is damaged: a '<' without its
// '>', an element cut off by the end of the text, or no closed point data (which every
// file ends with). What was read before the damage is kept either way.
bool Parse(std::string_view text, ReadValues& values, std::list<AnimationPoint>& points);

// The animation file of a picture: the same folder and name with the file name's extension
// replaced by ".vte", or ".vte" appended to a name without one. An animation file is its
// own.
std::string PathFor(std::string_view path);

// Writes the text as the hidden file `path`. An existing file is replaced only by the
// complete new one. False when the file could not be written whole.
bool Save(const std::string& path, std::string_view text);

enum class LoadResult {
    Ok,
    Missing,   // no such file, not a plain file, unreadable or empty
    TooLarge,  // above kMaxFileSize
};
LoadResult Load(const std::string& path, std::string& text);

}  // namespace animation_file
