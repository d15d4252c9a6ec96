#pragma once

#include <string>

#include "imaging/PictureInfo.h"

// Writes a picture held in memory as a baseline JPEG of the given quality (0-100): 16-bit
// (5-5-5 or 5-6-5), 24-bit (blue, green, red) or 32-bit (blue, green, red, x) pixels, row i
// at pixels + i * rowBytes. The file is created, or replaced, only when the whole write
// succeeded; any failure gives false and a debug line and leaves no partial file.
bool SaveJPG(const PictureInfo& picture, const std::string& path, int quality);
