#pragma once

#include <memory>
#include <string>

#include "viewer-plugin/display/Resources.h"

class DDSurface;
struct PictureInfo;

namespace platform {
struct PixelFormat;
}

// A picture carried as resource `id` (raw data) of `module`, decoded into a new system-memory
// surface in the layout of `compatible`; `fileName` chooses the decoder by its extension.
// Null when the resource is missing, the picture unreadable or empty, or no surface can be
// made. A surface that cannot be locked comes back without its pixels.
std::unique_ptr<DDSurface> LoadImageResource(const DDSurface& compatible,
                                             const std::string& fileName,
                                             const ResourceModule* module, int id);

// Describes pixels of `format` so that the pixel converter writes them in that layout.
bool PictureInfoFromPixelFormat(PictureInfo* info, const platform::PixelFormat& format);
