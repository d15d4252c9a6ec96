#pragma once

#include <cstdint>

#include "platform/gfx/DirectDrawTypes.h"

// Numbers and records of the software 3D device. Values callers pass as plain numbers keep
// those numbers; the rest are this layer's own.
namespace gfx {

// Interfaces and devices.
constexpr platform::IID IID_IDirect3D3{
    0xBB223240, 0xE72B, 0x11D0, {0xA9, 0xB4, 0x00, 0xAA, 0x00, 0xC0, 0x99, 0x3E}};
constexpr platform::IID IID_IDirect3DTexture2{
    0x93281502, 0x8CF8, 0x11D0, {0x89, 0xAB, 0x00, 0xA0, 0xC9, 0x05, 0x41, 0x29}};
// The display's 3D hardware, and the software device every machine has.
constexpr platform::GUID IID_IDirect3DHALDevice{
    0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}};
constexpr platform::GUID IID_IDirect3DRGBDevice{
    0xA4665C60, 0x2673, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

// Result codes.
constexpr HRESULT D3DERR_NOTINBEGIN = MakeGfxError(0x100);
constexpr HRESULT D3DERR_INBEGIN = MakeGfxError(0x101);
constexpr HRESULT D3DERR_INVALIDVERTEXFORMAT = MakeGfxError(0x102);
constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = MakeGfxError(0x103);
constexpr HRESULT D3DERR_VIEWPORTHASNODEVICE = MakeGfxError(0x104);
constexpr HRESULT D3DERR_INVALIDVIEWPORT = MakeGfxError(0x105);
constexpr HRESULT D3DERR_NOTAVAILABLE = MakeGfxError(0x106);
constexpr HRESULT D3DERR_INVALIDRENDERTARGET = MakeGfxError(0x107);

// Device capabilities: where textures may live.
constexpr std::uint32_t D3DDEVCAPS_TEXTURESYSTEMMEMORY = 0x100;
constexpr std::uint32_t D3DDEVCAPS_TEXTUREVIDEOMEMORY = 0x200;
constexpr std::uint32_t D3DDEVCAPS_TEXTURENONLOCALVIDMEM = 0x1000;
// Triangle texture filtering.
constexpr std::uint32_t D3DPTFILTERCAPS_LINEAR = 0x2;
constexpr std::uint32_t D3DPTFILTERCAPS_MIPNEAREST = 0x4;
// Render depths.
constexpr std::uint32_t DDBD_16 = 0x400;
constexpr std::uint32_t DDBD_24 = 0x200;
constexpr std::uint32_t DDBD_32 = 0x100;

// What a device can do.
struct DeviceDesc {
    std::uint32_t devCaps = D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY |
                            D3DDEVCAPS_TEXTURENONLOCALVIDMEM;
    std::uint32_t textureFilterCaps = D3DPTFILTERCAPS_LINEAR | D3DPTFILTERCAPS_MIPNEAREST;
    int minTextureWidth = 1;
    int minTextureHeight = 1;
    int maxTextureWidth = 2048;
    int maxTextureHeight = 2048;
    std::uint32_t renderBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
};

// A viewport: the rectangle of the render target drawn in, with its clip volume.
struct ViewportDesc {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    float clipX = 0;
    float clipY = 0;
    float clipWidth = 0;
    float clipHeight = 0;
    float minZ = 0;
    float maxZ = 1;
};

// A rectangle of the render target to clear.
struct ClearRect {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
};
constexpr std::uint32_t D3DCLEAR_TARGET = 0x1;
constexpr std::uint32_t D3DCLEAR_ZBUFFER = 0x2;

// A vertex already in window pixels: position, colours, one texture coordinate pair.
struct TLVertex {
    float x = 0;
    float y = 0;
    float z = 0;
    float rhw = 1;
    std::uint32_t diffuse = 0xFFFFFFFF;
    std::uint32_t specular = 0xFFFFFFFF;
    float u = 0;
    float v = 0;
};
static_assert(sizeof(TLVertex) == 32);
constexpr std::uint32_t D3DFVF_TLVERTEX1 = 0x1C4;
// Drawing flags: no extent update, no lighting. Taken and otherwise ignored.
constexpr std::uint32_t D3DDP_DONOTUPDATEEXTENTS = 0x8;
constexpr std::uint32_t D3DDP_DONOTLIGHT = 0x10;

constexpr std::uint32_t D3DPT_TRIANGLESTRIP = 5;

// Texture-stage states and their values.
constexpr std::uint32_t D3DTSS_COLOROP = 1;
constexpr std::uint32_t D3DTSS_COLORARG1 = 2;
constexpr std::uint32_t D3DTSS_ALPHAOP = 4;
constexpr std::uint32_t D3DTSS_ADDRESS = 12;
constexpr std::uint32_t D3DTSS_MAGFILTER = 16;
constexpr std::uint32_t D3DTSS_MINFILTER = 17;
constexpr std::uint32_t D3DTOP_DISABLE = 1;
constexpr std::uint32_t D3DTOP_SELECTARG1 = 2;
constexpr std::uint32_t D3DTA_TEXTURE = 2;
constexpr std::uint32_t D3DTADDRESS_CLAMP = 3;
constexpr std::uint32_t D3DTFILTER_POINT = 1;
constexpr std::uint32_t D3DTFILTER_LINEAR = 2;

// Render states.
constexpr std::uint32_t D3DRENDERSTATE_CULLMODE = 22;
constexpr std::uint32_t D3DCULL_NONE = 1;
constexpr std::uint32_t D3DCULL_CW = 2;
constexpr std::uint32_t D3DCULL_CCW = 3;

}  // namespace gfx
