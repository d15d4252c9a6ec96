#include "platform/gfx/ExecuteInterpreter.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/gfx/Rasteriser.h"

namespace gfx {
namespace {

template <class T>
T Read(const std::uint8_t* at) {
    T value;
    std::memcpy(&value, at, sizeof(T));
    return value;
}

// A render state this layer draws by, or one whose value asks for nothing else than what
// is drawn anyway. False for a state or value it cannot honour.
bool RenderStateAccepted(std::uint32_t state, std::uint32_t value) {
    switch (state) {
        case D3DRENDERSTATE_CULLMODE:
            return value == D3DCULL_NONE || value == D3DCULL_CW || value == D3DCULL_CCW;
        case D3DRENDERSTATE_TEXTUREMAG:
        case D3DRENDERSTATE_TEXTUREMIN:
            return value == D3DFILTER_NEAREST || value == D3DFILTER_LINEAR;
        case D3DRENDERSTATE_FILLMODE:
            return value == D3DFILL_SOLID;
        // The rasteriser clamps at the texture's edges and never wraps.
        case D3DRENDERSTATE_TEXTUREADDRESS:
        case D3DRENDERSTATE_ADDRESSU:
        case D3DRENDERSTATE_ADDRESSV:
            return value == D3DTADDRESS_CLAMP;
        case D3DRENDERSTATE_WRAPU:
        case D3DRENDERSTATE_WRAPV:
            return value == 0;
        // Each pixel takes the texture's colour.
        case D3DRENDERSTATE_TEXTUREMAPBLEND:
            return value == D3DTBLEND_DECAL;
        // Without blending, lighting or antialiasing these change nothing drawn.
        case D3DRENDERSTATE_TEXTUREPERSPECTIVE:
        case D3DRENDERSTATE_SHADEMODE:
        case D3DRENDERSTATE_LASTPIXEL:
        case D3DRENDERSTATE_SRCBLEND:
        case D3DRENDERSTATE_DITHERENABLE:
        case D3DRENDERSTATE_SPECULARENABLE:
        case D3DRENDERSTATE_SUBPIXEL:
        case D3DRENDERSTATE_SUBPIXELX:
        case D3DRENDERSTATE_EDGEANTIALIAS:
            return true;
        default:
            return false;
    }
}

TextureFilter FilterOf(std::uint32_t value) {
    return value == D3DFILTER_LINEAR ? TextureFilter::Linear : TextureFilter::Point;
}

// One pass over the stream: the first only checks, the second draws what the first passed.
class Interpreter {
public:
    Interpreter(const std::uint8_t* buffer, std::size_t size, const ExecuteData& data,
                const ExecuteTarget& target)
        : buffer_(buffer), size_(size), data_(data), target_(target) {}

    HRESULT Run(bool draw) {
        draw_ = draw;
        const std::uint64_t vertexEnd = std::uint64_t{data_.vertexOffset} +
                                        std::uint64_t{data_.vertexCount} * sizeof(LitVertex);
        const std::uint64_t end = std::uint64_t{data_.instructionOffset} + data_.instructionLength;
        if (buffer_ == nullptr || vertexEnd > size_ || end > size_) return D3DERR_EXECUTEOVERRUN;
        if (draw_) {
            world_ = view_ = projection_ = Matrix{};
            transformed_.assign(data_.vertexCount, TLVertex{});
            state_ = RasterState{};
            state_.target = target_.pixels;
            state_.clip = target_.clip;
            handle_ = 0;
        }
        std::uint64_t at = data_.instructionOffset;
        while (true) {
            if (at + sizeof(Instruction) > end) return D3DERR_EXECUTEOVERRUN;
            const auto op = Read<Instruction>(buffer_ + at);
            at += sizeof(Instruction);
            if (op.opcode == D3DOP_EXIT) return DD_OK;
            std::size_t record = 0;
            switch (op.opcode) {
                case D3DOP_STATETRANSFORM:
                case D3DOP_STATERENDER:
                    record = sizeof(StateEntry);
                    break;
                case D3DOP_PROCESSVERTICES:
                    record = sizeof(ProcessVertices);
                    break;
                case D3DOP_TRIANGLE:
                    record = sizeof(Triangle);
                    break;
                default:
                    return D3DERR_UNKNOWNOPCODE;
            }
            if (op.size != record) return D3DERR_INVALIDSTATE;
            const std::uint64_t bytes = std::uint64_t{op.count} * record;
            if (at + bytes > end) return D3DERR_EXECUTEOVERRUN;
            const std::uint8_t* records = buffer_ + at;
            at += bytes;
            HRESULT hr = DD_OK;
            switch (op.opcode) {
                case D3DOP_STATETRANSFORM:
                    hr = TransformStates(records, op.count);
                    break;
                case D3DOP_STATERENDER:
                    hr = RenderStates(records, op.count);
                    break;
                case D3DOP_PROCESSVERTICES:
                    hr = Process(records, op.count);
                    break;
                default:
                    hr = Triangles(records, op.count);
                    break;
            }
            if (hr != DD_OK) return hr;
        }
    }

private:
    HRESULT TransformStates(const std::uint8_t* records, int count) {
        for (int i = 0; i < count; ++i) {
            const auto entry = Read<StateEntry>(records + i * sizeof(StateEntry));
            Matrix* slot = nullptr;
            switch (entry.state) {
                case D3DTRANSFORMSTATE_WORLD:
                    slot = &world_;
                    break;
                case D3DTRANSFORMSTATE_VIEW:
                    slot = &view_;
                    break;
                case D3DTRANSFORMSTATE_PROJECTION:
                    slot = &projection_;
                    break;
                default:
                    return D3DERR_INVALIDSTATE;
            }
            const Matrix* matrix = target_.matrix ? target_.matrix(entry.value) : nullptr;
            if (matrix == nullptr) return D3DERR_INVALIDHANDLE;
            if (draw_) *slot = *matrix;
        }
        return DD_OK;
    }

    HRESULT RenderStates(const std::uint8_t* records, int count) {
        for (int i = 0; i < count; ++i) {
            const auto entry = Read<StateEntry>(records + i * sizeof(StateEntry));
            if (entry.state == D3DRENDERSTATE_TEXTUREHANDLE) {
                platform::SurfacePixels pixels;
                if (entry.value != 0 &&
                    (!target_.texture || !target_.texture(entry.value, pixels))) {
                    return D3DERR_INVALIDHANDLE;
                }
                if (draw_) {
                    handle_ = entry.value;
                    state_.texture = pixels;
                }
                continue;
            }
            if (!RenderStateAccepted(entry.state, entry.value)) return D3DERR_INVALIDSTATE;
            if (!draw_) continue;
            if (entry.state == D3DRENDERSTATE_CULLMODE) state_.cull = entry.value;
            if (entry.state == D3DRENDERSTATE_TEXTUREMAG) state_.magFilter = FilterOf(entry.value);
            if (entry.state == D3DRENDERSTATE_TEXTUREMIN) state_.minFilter = FilterOf(entry.value);
        }
        return DD_OK;
    }

    HRESULT Process(const std::uint8_t* records, int count) {
        for (int i = 0; i < count; ++i) {
            const auto pv = Read<ProcessVertices>(records + i * sizeof(ProcessVertices));
            if ((pv.flags & D3DPROCESSVERTICES_OPMASK) != D3DPROCESSVERTICES_TRANSFORM) {
                return D3DERR_INVALIDSTATE;
            }
            if (std::uint64_t{pv.start} + pv.count > data_.vertexCount ||
                std::uint64_t{pv.dest} + pv.count > data_.vertexCount) {
                return D3DERR_VERTEXINDEX;
            }
            if (!draw_) continue;
            const Matrix all = world_ * view_ * projection_;
            const OldViewportDesc& vp = target_.viewport;
            const double centreX = vp.x + vp.width / 2.0;
            const double centreY = vp.y + vp.height / 2.0;
            for (std::uint32_t k = 0; k < pv.count; ++k) {
                const auto in = Read<LitVertex>(buffer_ + data_.vertexOffset +
                                                (pv.start + k) * sizeof(LitVertex));
                const float p[4] = {in.x, in.y, in.z, 1.0f};
                float q[4] = {0, 0, 0, 0};
                for (int c = 0; c < 4; ++c) {
                    for (int r = 0; r < 4; ++r) q[c] += p[r] * all.m[r][c];
                }
                TLVertex& out = transformed_[pv.dest + k];
                out.diffuse = in.colour;
                out.specular = in.specular;
                out.u = in.u;
                out.v = in.v;
                // Behind the eye nothing is drawn: the rasteriser refuses such a vertex.
                if (!(q[3] > 0.0f)) {
                    out.x = out.y = std::numeric_limits<float>::quiet_NaN();
                    continue;
                }
                const float rhw = 1.0f / q[3];
                out.x = static_cast<float>(centreX + double{q[0] * rhw} * vp.scaleX);
                out.y = static_cast<float>(centreY - double{q[1] * rhw} * vp.scaleY);
                out.z = q[2] * rhw;
                out.rhw = rhw;
            }
        }
        return DD_OK;
    }

    HRESULT Triangles(const std::uint8_t* records, int count) {
        for (int i = 0; i < count; ++i) {
            const auto t = Read<Triangle>(records + i * sizeof(Triangle));
            if (t.v1 >= data_.vertexCount || t.v2 >= data_.vertexCount ||
                t.v3 >= data_.vertexCount) {
                return D3DERR_VERTEXINDEX;
            }
        }
        if (!draw_ || handle_ == 0 || state_.texture.bits == nullptr) return DD_OK;
        for (int i = 0; i < count; ++i) {
            const auto t = Read<Triangle>(records + i * sizeof(Triangle));
            if (i + 1 < count) {
                const auto next = Read<Triangle>(records + (i + 1) * sizeof(Triangle));
                if (DrawPair(t, next)) {
                    ++i;
                    continue;
                }
            }
            const TLVertex one[3] = {transformed_[t.v1], transformed_[t.v2], transformed_[t.v3]};
            if (!DrawTriangleStrip(state_, one, 3)) return DDERR_UNSUPPORTED;
        }
        return DD_OK;
    }

    // Two triangles sharing an edge, wound alike, are one quad: drawn as a strip of four they
    // take the rasteriser's quad path, exactly as the newer interface draws a tile.
    bool DrawPair(const Triangle& a, const Triangle& b) {
        const std::uint16_t first[3] = {a.v1, a.v2, a.v3};
        const std::uint16_t second[3] = {b.v1, b.v2, b.v3};
        const auto in = [](const std::uint16_t* tri, std::uint16_t v) {
            return tri[0] == v || tri[1] == v || tri[2] == v;
        };
        int lone = -1;
        for (int k = 0; k < 3; ++k) {
            if (!in(second, first[k])) {
                if (lone >= 0) return false;
                lone = k;
            }
        }
        if (lone < 0) return false;
        const std::uint16_t p = first[lone];
        const std::uint16_t q = first[(lone + 1) % 3];
        const std::uint16_t r = first[(lone + 2) % 3];
        std::uint16_t s = 0;
        int others = 0;
        for (const std::uint16_t v : second) {
            if (v != q && v != r) {
                s = v;
                ++others;
            }
        }
        if (others != 1 || s == p) return false;
        // The strip's second triangle is (q, s, r): the second must be wound that way.
        const bool sameWinding = (b.v1 == q && b.v2 == s && b.v3 == r) ||
                                 (b.v1 == s && b.v2 == r && b.v3 == q) ||
                                 (b.v1 == r && b.v2 == q && b.v3 == s);
        if (!sameWinding) return false;
        const TLVertex strip[4] = {transformed_[p], transformed_[q], transformed_[r],
                                   transformed_[s]};
        return DrawTriangleStrip(state_, strip, 4);
    }

    const std::uint8_t* buffer_;
    std::size_t size_;
    ExecuteData data_;
    const ExecuteTarget& target_;
    bool draw_ = false;
    Matrix world_;
    Matrix view_;
    Matrix projection_;
    std::vector<TLVertex> transformed_;
    RasterState state_;
    std::uint32_t handle_ = 0;
};

}  // namespace

Matrix operator*(const Matrix& a, const Matrix& b) {
    Matrix out;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[r][k] * b.m[k][c];
            out.m[r][c] = sum;
        }
    }
    return out;
}

HRESULT ExecuteInstructions(const std::uint8_t* buffer, std::size_t size, const ExecuteData& data,
                            const ExecuteTarget& target) {
    Interpreter interpreter(buffer, size, data, target);
    if (const HRESULT hr = interpreter.Run(false); hr != DD_OK) return hr;
    return interpreter.Run(true);
}

}  // namespace gfx
