#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One picture of a page being converted, or one block that an earlier conversion wrote.
// Offsets and lengths count bytes of the page text.
struct PageImage {
    bool plainTag = true;  // false for an earlier block (script line plus noscript fallback)
    std::string label;
    std::string source;
    std::string linkTarget;
    int shownWidth = 0;
    int shownHeight = 0;
    int start = 0;
    int length = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;
    // Kept wide: bits per pixel times width times height overflows an int for large pictures.
    std::int64_t pictureBytes = 0;
    bool zoomable = false;
    int zoomWidth = 0;
    int zoomHeight = 0;
    std::string zoomSource;
    int pageWidth = 0;
    int pageHeight = 0;
    std::string pagePicture;
    // The picture's alternative text (decoded), for the fallback picture of its viewer line;
    // hasAlt is false when the picture had no alt attribute.
    bool hasAlt = false;
    std::string alt;
};

// The page model held by the page sheet.
struct VantelifyPage {
    // The head insertion offset when the page already loads the page script.
    static constexpr int kScriptPresent = -1;
    // The head insertion offset of a page without a "<head>" tag; such a page is refused.
    static constexpr int kNoHead = 0;

    std::string text;  // the page file as read, case kept
    int headOffset = kNoHead;
    std::vector<PageImage> images;  // ascending order of start
};
