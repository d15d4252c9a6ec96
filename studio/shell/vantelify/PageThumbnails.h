#pragma once

#include <string>

#include <QImage>

struct PageImage;

// The page sheet's list shows each picture of the page in one of three forms.
struct PageThumbnails {
    QImage grey;    // neither zoomable nor selected
    QImage plain;   // selected, not zoomable
    QImage marked;  // zoomable: the plain one with the zoomable mark
};

// The side of the sheet's thumbnails.
inline constexpr int kPageThumbSize = 64;

// The file a record's thumbnail is made from: a picture tag's source, an earlier block's
// zoom source; a relative name is taken from `folder` (ending in '/'). Empty when it names
// no local file.
std::string PageThumbnailFile(const PageImage& image, const std::string& folder);

// The three thumbnails of a file; blank ones when it cannot be read.
PageThumbnails MakePageThumbnails(const std::string& file);

// The mark a zoomable picture carries in its top right corner.
QImage ZoomableMark();
