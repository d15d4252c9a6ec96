#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "imaging/IPTCData.h"
#include "studio/core/AnimationPoint.h"

// One image of a gallery: its copy's name in the working folder, its size, its IPTC record
// and, for an animation, its points. Copied by value.
struct GalleryImage {
    std::string fileName;
    int width = 0;
    int height = 0;
    std::int64_t fileSize = 0;
    std::int64_t imageBytes = 0;       // the file list's memory size of the decoded picture
    std::list<AnimationPoint> points;  // in playing order; addresses stay while listed
    IPTCData iptc;                     // not valid when unknown

    // Empties the name and the numbers and marks the IPTC record not valid; the points and
    // the record's texts stay.
    void Reset() {
        fileName.clear();
        width = 0;
        height = 0;
        fileSize = 0;
        imageBytes = 0;
        iptc.valid = false;
    }
};
