#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "geometry/Geometry.h"
#include "platform/gfx/Direct3DTypes.h"
#include "platform/gfx/Framebuffer.h"

// The old interface's execute buffers: a block of vertices and a stream of instructions that
// the device runs on the same rasteriser as DrawPrimitive. The byte layouts are this layer's
// own; callers write them with the records below.
//
// What runs: transform states (world, view, projection), render states (texture handle,
// cull mode, magnification and minification filter; the rest of those named below are taken
// when they ask for what is drawn anyway), process-vertices with the transform flag (lit
// vertices through world, view and projection, then the viewport), triangles (count 0 is
// padding) and exit. The stream ends at exit; the instruction length only bounds it.
//
// Everything is checked before anything is drawn: an unknown opcode or state, a record size
// that is not the opcode's, an instruction running past the stream, a stream without exit,
// a vertex range or triangle index past the vertices, an unknown matrix or texture handle
// refuses the whole buffer with nothing drawn and no byte read outside it.
namespace gfx {

// Opcodes.
constexpr std::uint8_t D3DOP_TRIANGLE = 3;
constexpr std::uint8_t D3DOP_STATETRANSFORM = 6;
constexpr std::uint8_t D3DOP_STATERENDER = 8;
constexpr std::uint8_t D3DOP_PROCESSVERTICES = 9;
constexpr std::uint8_t D3DOP_EXIT = 11;

// Every instruction starts with this header; `count` records of `size` bytes follow.
struct Instruction {
    std::uint8_t opcode = 0;
    std::uint8_t size = 0;
    std::uint16_t count = 0;
};
static_assert(sizeof(Instruction) == 4);

// A transform-state or render-state record.
struct StateEntry {
    std::uint32_t state = 0;
    std::uint32_t value = 0;
};
static_assert(sizeof(StateEntry) == 8);

constexpr std::uint32_t D3DPROCESSVERTICES_TRANSFORM = 1;
constexpr std::uint32_t D3DPROCESSVERTICES_OPMASK = 0x7;
struct ProcessVertices {
    std::uint32_t flags = 0;
    std::uint16_t start = 0;  // first source vertex
    std::uint16_t dest = 0;   // where the transformed vertices go
    std::uint32_t count = 0;
    std::uint32_t reserved = 0;
};
static_assert(sizeof(ProcessVertices) == 16);

// Three vertex indices and the edge flags (taken and ignored).
struct Triangle {
    std::uint16_t v1 = 0;
    std::uint16_t v2 = 0;
    std::uint16_t v3 = 0;
    std::uint16_t flags = 0;
};
static_assert(sizeof(Triangle) == 8);

// A vertex with its colours given: position, a reserved word, colours, texture coordinates.
struct LitVertex {
    float x = 0;
    float y = 0;
    float z = 0;
    std::uint32_t reserved = 0;
    std::uint32_t colour = 0xFFFFFFFF;
    std::uint32_t specular = 0xFFFFFFFF;
    float u = 0;
    float v = 0;
};
static_assert(sizeof(LitVertex) == 32);

// Transform states.
constexpr std::uint32_t D3DTRANSFORMSTATE_WORLD = 1;
constexpr std::uint32_t D3DTRANSFORMSTATE_VIEW = 2;
constexpr std::uint32_t D3DTRANSFORMSTATE_PROJECTION = 3;

// Render states of the old interface (cull mode shares D3DRENDERSTATE_CULLMODE).
constexpr std::uint32_t D3DRENDERSTATE_TEXTUREHANDLE = 1;
constexpr std::uint32_t D3DRENDERSTATE_TEXTUREADDRESS = 3;
constexpr std::uint32_t D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4;
constexpr std::uint32_t D3DRENDERSTATE_WRAPU = 5;
constexpr std::uint32_t D3DRENDERSTATE_WRAPV = 6;
constexpr std::uint32_t D3DRENDERSTATE_FILLMODE = 8;
constexpr std::uint32_t D3DRENDERSTATE_SHADEMODE = 9;
constexpr std::uint32_t D3DRENDERSTATE_LASTPIXEL = 16;
constexpr std::uint32_t D3DRENDERSTATE_TEXTUREMAG = 17;
constexpr std::uint32_t D3DRENDERSTATE_TEXTUREMIN = 18;
constexpr std::uint32_t D3DRENDERSTATE_SRCBLEND = 19;
constexpr std::uint32_t D3DRENDERSTATE_TEXTUREMAPBLEND = 21;
constexpr std::uint32_t D3DRENDERSTATE_DITHERENABLE = 26;
constexpr std::uint32_t D3DRENDERSTATE_SPECULARENABLE = 29;
constexpr std::uint32_t D3DRENDERSTATE_SUBPIXEL = 31;
constexpr std::uint32_t D3DRENDERSTATE_SUBPIXELX = 32;
constexpr std::uint32_t D3DRENDERSTATE_EDGEANTIALIAS = 40;
constexpr std::uint32_t D3DRENDERSTATE_ADDRESSU = 44;
constexpr std::uint32_t D3DRENDERSTATE_ADDRESSV = 45;
// Their values.
constexpr std::uint32_t D3DFILL_SOLID = 3;
constexpr std::uint32_t D3DSHADE_FLAT = 1;
constexpr std::uint32_t D3DBLEND_SRCCOLOR = 3;
constexpr std::uint32_t D3DTBLEND_DECAL = 1;
constexpr std::uint32_t D3DFILTER_NEAREST = 1;
constexpr std::uint32_t D3DFILTER_LINEAR = 2;

// Where the vertices and the instructions lie in the buffer.
struct ExecuteData {
    std::uint32_t vertexOffset = 0;
    std::uint32_t vertexCount = 0;
    std::uint32_t instructionOffset = 0;
    std::uint32_t instructionLength = 0;
};

// Row vectors: a point p becomes p * m.
struct Matrix {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};
Matrix operator*(const Matrix& a, const Matrix& b);

// The old interface's viewport: a rectangle of the render target and the scale from
// projected coordinates (origin at its centre, y up) to its pixels.
struct OldViewportDesc {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    float scaleX = 1;
    float scaleY = 1;
    float maxX = 0;
    float maxY = 0;
    float minZ = 0;
    float maxZ = 1;
};

// Result codes of refused execute data.
constexpr HRESULT D3DERR_UNKNOWNOPCODE = MakeGfxError(0x110);
constexpr HRESULT D3DERR_EXECUTEOVERRUN = MakeGfxError(0x111);
constexpr HRESULT D3DERR_VERTEXINDEX = MakeGfxError(0x112);
constexpr HRESULT D3DERR_INVALIDSTATE = MakeGfxError(0x113);
constexpr HRESULT D3DERR_INVALIDHANDLE = MakeGfxError(0x114);

// What the instructions draw on and look up.
struct ExecuteTarget {
    platform::SurfacePixels pixels;  // the render target
    Rect clip;                       // drawn pixels stay inside (and inside the target)
    OldViewportDesc viewport;
    // The matrix of a handle; null for a handle that is not one.
    std::function<const Matrix*(std::uint32_t handle)> matrix;
    // Whether a (nonzero) texture handle is one, and its pixels (none while they cannot be
    // had, which draws nothing).
    std::function<bool(std::uint32_t handle, platform::SurfacePixels& pixels)> texture;
};

// Runs the instructions of `buffer` (`size` bytes); DD_OK, or why the buffer was refused.
HRESULT ExecuteInstructions(const std::uint8_t* buffer, std::size_t size, const ExecuteData& data,
                            const ExecuteTarget& target);

}  // namespace gfx
