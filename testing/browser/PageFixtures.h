#pragma once

#include <string>

// Pages for the browser tests, made with the studio's own code: galleries exported with each
// shipped template, an animation page and a converted page, each with the page script the
// studio expands beside it. Pictures are drawn here.
namespace page_fixtures {

// A JPEG of the size: colour gradients under a grid of dark lines every 50 pixels.
bool WritePicture(const std::string& path, int width, int height);

// Below `folder` (which exists): "grid/" and "slides/" galleries of three pictures,
// "animation/index.htm" with three points played once, "animation-without-points/index.htm"
// of the same 1200x800 picture, "converted/page.htm" with two viewers, and "targa/" with a
// gallery of Targa pictures of every kind, the studio's decode of each and odd pictures. Messages
// are written to stderr; false when a page could not be made.
bool MakeAll(const std::string& folder);

// "page.htm" with two viewers (an 800x600 zoom source shown in a 400x300 place, and a
// 640x480 picture in its own place), its pictures and "vantelo.js", into `folder`.
bool MakeConvertedPage(const std::string& folder);

}  // namespace page_fixtures
