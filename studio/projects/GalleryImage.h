#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "studio/projects/AnimationPoint.h"

// One image of a gallery: its copy's name in the working folder, its size and, for an
// animation, its points. Copied by value.
struct GalleryImage {
    std::string fileName;
    int width = 0;
    int height = 0;
    std::int64_t fileSize = 0;
    std::int64_t imageBytes = 0;       // the file list's memory size of the decoded picture
    std::list<AnimationPoint> points;  // in playing order; addresses stay while listed

    // Empties the name and the numbers; the points stay.
    void Reset() {
        fileName.clear();
        width = 0;
        height = 0;
        fileSize = 0;
        imageBytes = 0;
    }
};
