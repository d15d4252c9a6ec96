#pragma once

#include <cstddef>
#include <string>

class Vantelifier;
struct VantelifyPage;

// The page sheet's choices for one picture of the page (the record at `index`).

// Turns the picture's viewer on or off; warns when more than one picture of the page is then
// zoomable (the choice stands).
void SetZoomable(VantelifyPage& page, std::size_t index, bool on, Vantelifier& project);

// The six values of the sheet's fields.
struct PageImageFields {
    std::string zoomSource;
    int zoomWidth = 0;
    int zoomHeight = 0;
    std::string pagePicture;
    int pageWidth = 0;
    int pageHeight = 0;
};
void ApplyFields(VantelifyPage& page, std::size_t index, const PageImageFields& fields,
                 Vantelifier& project);

// How the page refers to a chosen file: its bare name when it lies in the page's folder,
// else its path relative to that folder with '/' separators ("sub/x.jpg", "../x.jpg").
std::string PageRelativePath(const std::string& pageFolder, const std::string& file);

// A picture file chosen by dialog or dropped on the zoom-source field becomes the zoom
// source and the preview is written again. False, and nothing changes, when the file is
// not a picture.
bool ChooseZoomSource(VantelifyPage& page, std::size_t index, const std::string& file,
                      Vantelifier& project);

// The same for the page picture, without a new preview; a dropped LuraWave file is taken
// with a warning.
bool ChoosePagePicture(VantelifyPage& page, std::size_t index, const std::string& file,
                       bool dropped, Vantelifier& project);
