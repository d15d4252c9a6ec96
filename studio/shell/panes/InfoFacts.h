#pragma once

#include <cstdint>
#include <string>

struct GalleryImage;

// The texts the info pane shows about the shown file.
struct InfoTexts {
    std::string pixels;       // "640x480 pixels"
    std::string fileName;     // the display name
    std::string fileSize;     // "1234 bytes"
    std::string imageSize;    // the decoded picture's bytes
    std::string compression;  // file size against decoded size, "12.34%"
    std::string zoom;         // "100 %"
    std::string position;     // "[12, 34]"
};

// What is known of a file's sizes; 0 for unknown.
struct FileFacts {
    int width = 0;
    int height = 0;
    std::int64_t fileSize = 0;
    std::int64_t imageBytes = 0;
};

// The facts of a shown file: the record's when it knows the picture's width, else the
// picture header's size with the record's file size, else whatever the record holds.
// Without a record nothing is known.
FileFacts GatherFileFacts(const std::string& path, const GalleryImage* record);

// Fills the pixel and size texts from the facts ("Unknown" where a value is 0).
void DescribeFacts(const FileFacts& facts, InfoTexts& texts);
