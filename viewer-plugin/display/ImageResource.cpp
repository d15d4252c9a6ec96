#include "viewer-plugin/display/ImageResource.h"

#include <bit>
#include <cstdint>

#include "imaging/PictureConverter.h"
#include "imaging/PictureLoader.h"
#include "platform/gfx/DirectDrawTypes.h"
#include "viewer-plugin/display/DDSurface.h"

const EmbeddedResource* FindResource(const ResourceModule* module, int id, int type) {
    if (module == nullptr) return nullptr;
    for (std::size_t i = 0; i < module->count; ++i) {
        const EmbeddedResource& entry = module->entries[i];
        if (entry.id == id && entry.type == type) return &entry;
    }
    return nullptr;
}

bool PictureInfoFromPixelFormat(PictureInfo* info, const platform::PixelFormat& format) {
    info->redShift = format.redMask != 0 ? std::countr_zero(format.redMask) : 0;
    info->greenShift = format.greenMask != 0 ? std::countr_zero(format.greenMask) : 0;
    info->blueShift = 0;
    info->redBits = std::popcount(format.redMask);
    info->greenBits = std::popcount(format.greenMask);
    info->blueBits = std::popcount(format.blueMask);
    info->bitsPerPixel = static_cast<int>(format.rgbBitCount);
    return true;
}

std::unique_ptr<DDSurface> LoadImageResource(const DDSurface& compatible,
                                             const std::string& fileName,
                                             const ResourceModule* module, int id) {
    const EmbeddedResource* resource = FindResource(module, id, RT_RCDATA);
    if (resource == nullptr) return nullptr;
    PictureLoader loader;
    if (!loader.Open(fileName, resource->data, resource->size)) return nullptr;
    const int width = loader.GetWidth();
    const int height = loader.GetHeight();
    if (width <= 0 || height <= 0) return nullptr;

    constexpr std::uint32_t kCaps = gfx::DDSCAPS_OFFSCREENPLAIN | gfx::DDSCAPS_SYSTEMMEMORY;
    auto surface = compatible.CreateCompatible(width, height, kCaps, 0);
    if (!surface) return nullptr;
    if (surface->Lock()) {
        std::uint8_t* bits = nullptr;
        std::ptrdiff_t pitch = 0;
        const platform::PixelFormat* format = nullptr;
        if (surface->GetLockInfo(&bits, &pitch, &format)) {
            PictureInfo target;
            PictureInfoFromPixelFormat(&target, *format);
            PictureConverter converter;
            converter.SetPictureFormat(target);
            loader.ReadImage(bits, pitch, &converter);
        }
        surface->Unlock();
    }
    return surface;
}
