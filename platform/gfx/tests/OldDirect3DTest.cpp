#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/DisplaySettings.h"
#include "platform/gfx/OldDirect3D.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/tests/GfxTestSupport.h"

namespace {

using gfx::ExecuteData;
using gfx::Instruction;
using gfx::LitVertex;

// Writes an execute stream the way a program does: records one after another.
class Stream {
public:
    template <class T>
    void Put(const T& value) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
        data_.insert(data_.end(), bytes, bytes + sizeof(T));
    }
    void Op(std::uint8_t opcode, std::uint8_t size, std::uint16_t count) {
        Put(Instruction{opcode, size, count});
    }
    void States(std::uint8_t opcode, std::initializer_list<gfx::StateEntry> entries) {
        Op(opcode, sizeof(gfx::StateEntry), static_cast<std::uint16_t>(entries.size()));
        for (const auto& e : entries) Put(e);
    }
    void Triangles(std::initializer_list<gfx::Triangle> triangles) {
        Op(gfx::D3DOP_TRIANGLE, sizeof(gfx::Triangle),
           static_cast<std::uint16_t>(triangles.size()));
        for (const auto& t : triangles) Put(t);
    }
    std::vector<std::uint8_t>& Bytes() { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

class OldDirect3DTest : public gfx_test::GfxTest {
protected:
    static constexpr int kWidth = 16;
    static constexpr int kHeight = 12;

    void SetUp() override {
        GfxTest::SetUp();
        void* d3d = nullptr;
        ASSERT_EQ(dd_->QueryInterface(gfx::IID_IDirect3D, &d3d), gfx::DD_OK);
        d3d_ = static_cast<gfx::OldDirect3D*>(static_cast<platform::IUnknown*>(d3d));
        target_ = Make(kWidth, kHeight, gfx::FormatX888(),
                       gfx::DDSCAPS_3DDEVICE | gfx::DDSCAPS_SYSTEMMEMORY);
        void* device = nullptr;
        ASSERT_EQ(target_->QueryInterface(gfx::IID_IDirect3DRGBDevice, &device), gfx::DD_OK);
        device_ = static_cast<gfx::OldDevice*>(static_cast<platform::IUnknown*>(device));
        ASSERT_EQ(d3d_->CreateViewport(&viewport_), gfx::DD_OK);
        ASSERT_EQ(device_->AddViewport(viewport_), gfx::DD_OK);
        gfx::OldViewportDesc vp;
        vp.width = kWidth;
        vp.height = kHeight;
        vp.maxX = kWidth / 2.0f;
        vp.maxY = kHeight / 2.0f;
        ASSERT_EQ(viewport_->SetViewport(&vp), gfx::DD_OK);
        // A texture whose every texel names its place.
        texture_ = Make(4, 4, gfx::FormatX888(), gfx::DDSCAPS_TEXTURE | gfx::DDSCAPS_SYSTEMMEMORY);
        Number(texture_);
        void* old = nullptr;
        ASSERT_EQ(texture_->QueryInterface(gfx::IID_IDirect3DTexture, &old), gfx::DD_OK);
        auto* texture = static_cast<gfx::OldTexture*>(static_cast<platform::IUnknown*>(old));
        ASSERT_EQ(texture->GetHandle(device_, &handle_), gfx::DD_OK);
        EXPECT_EQ(texture->Load(texture), gfx::DD_OK);
        texture->Release();  // the handle outlives the interface
        // World: window pixels (y down) to the viewport's centred, upward coordinates.
        gfx::Matrix world;
        world.m[1][1] = -1;
        world.m[3][0] = -kWidth / 2.0f;
        world.m[3][1] = kHeight / 2.0f;
        ASSERT_EQ(device_->CreateMatrix(&world_), gfx::DD_OK);
        ASSERT_EQ(device_->SetMatrix(world_, &world), gfx::DD_OK);
        ASSERT_EQ(device_->CreateMatrix(&identity_), gfx::DD_OK);
    }
    void TearDown() override {
        if (device_ != nullptr) {
            device_->DeleteMatrix(world_);
            device_->DeleteMatrix(identity_);
            device_->Release();
        }
        for (auto* o :
             {static_cast<platform::IUnknown*>(viewport_), static_cast<platform::IUnknown*>(d3d_),
              static_cast<platform::IUnknown*>(target_),
              static_cast<platform::IUnknown*>(texture_)}) {
            if (o != nullptr) o->Release();
        }
        GfxTest::TearDown();
    }

    // The vertices of a 4 x 4 square at (x, y), in the corner order the canvas uses.
    static std::vector<LitVertex> Square(float x, float y) {
        const float u0 = 0.0f, u1 = 1.0f;
        return {LitVertex{x, y + 4, 0, 0, ~0u, ~0u, u0, u1}, LitVertex{x, y, 0, 0, ~0u, ~0u, u0, 0},
                LitVertex{x + 4, y + 4, 0, 0, ~0u, ~0u, u1, u1},
                LitVertex{x + 4, y, 0, 0, ~0u, ~0u, u1, 0}};
    }

    // Vertices, then the prologue (matrices, texture, cull mode, process-vertices), then the
    // caller's instructions, then exit unless told otherwise.
    ExecuteData Build(Stream& s, const std::vector<LitVertex>& vertices,
                      const std::function<void(Stream&)>& body, bool exit = true,
                      std::uint32_t cull = gfx::D3DCULL_CCW) {
        for (const LitVertex& v : vertices) s.Put(v);
        ExecuteData data;
        data.vertexCount = static_cast<std::uint32_t>(vertices.size());
        data.instructionOffset = static_cast<std::uint32_t>(s.Bytes().size());
        s.States(gfx::D3DOP_STATETRANSFORM, {{gfx::D3DTRANSFORMSTATE_WORLD, world_},
                                             {gfx::D3DTRANSFORMSTATE_VIEW, identity_},
                                             {gfx::D3DTRANSFORMSTATE_PROJECTION, identity_}});
        s.States(gfx::D3DOP_STATERENDER, {{gfx::D3DRENDERSTATE_CULLMODE, cull},
                                          {gfx::D3DRENDERSTATE_TEXTUREHANDLE, handle_}});
        s.Op(gfx::D3DOP_PROCESSVERTICES, sizeof(gfx::ProcessVertices), 1);
        s.Put(gfx::ProcessVertices{gfx::D3DPROCESSVERTICES_TRANSFORM, 0, 0, data.vertexCount, 0});
        body(s);
        if (exit) s.Op(gfx::D3DOP_EXIT, 0, 0);
        data.instructionLength =
            static_cast<std::uint32_t>(s.Bytes().size()) - data.instructionOffset;
        return data;
    }

    // Runs the stream through an execute buffer of its size plus `slack` bytes.
    gfx::HRESULT Run(Stream& s, const ExecuteData& data, std::uint32_t slack = 0) {
        gfx::ExecuteBufferDesc desc;
        desc.flags = gfx::D3DDEB_BUFSIZE | gfx::D3DDEB_CAPS;
        desc.caps = gfx::D3DDEBCAPS_SYSTEMMEMORY;
        desc.bufferSize = static_cast<std::uint32_t>(s.Bytes().size()) + slack;
        gfx::ExecuteBuffer* buffer = nullptr;
        EXPECT_EQ(device_->CreateExecuteBuffer(&desc, &buffer), gfx::DD_OK);
        gfx::ExecuteBufferDesc locked;
        EXPECT_EQ(buffer->Lock(&locked), gfx::DD_OK);
        EXPECT_EQ(locked.bufferSize, desc.bufferSize);
        std::memcpy(locked.data, s.Bytes().data(), s.Bytes().size());
        // Executing while the program still writes is refused.
        EXPECT_NE(device_->Execute(buffer, viewport_, gfx::D3DEXECUTE_CLIPPED), gfx::DD_OK);
        EXPECT_EQ(buffer->Unlock(), gfx::DD_OK);
        EXPECT_EQ(buffer->SetExecuteData(&data), gfx::DD_OK);
        EXPECT_EQ(device_->BeginScene(), gfx::DD_OK);
        const gfx::HRESULT hr = device_->Execute(buffer, viewport_, gfx::D3DEXECUTE_CLIPPED);
        EXPECT_EQ(device_->EndScene(), gfx::DD_OK);
        buffer->Release();
        return hr;
    }

    int Drawn() {
        int count = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) count += Get(target_, x, y) != 0 ? 1 : 0;
        }
        return count;
    }

    gfx::OldDirect3D* d3d_ = nullptr;
    gfx::Surface* target_ = nullptr;
    gfx::OldDevice* device_ = nullptr;
    gfx::OldViewport* viewport_ = nullptr;
    gfx::Surface* texture_ = nullptr;
    std::uint32_t handle_ = 0;
    std::uint32_t world_ = 0;
    std::uint32_t identity_ = 0;
};

TEST_F(OldDirect3DTest, QuadsLandOnTheirWindowPixelsAndTheOtherWindingIsCulled) {
    // The canvas's two triangles of a tile, wound clockwise on the screen, at (2, 3); then
    // one triangle of a second square wound the other way round.
    std::vector<LitVertex> vertices = Square(2, 3);
    const std::vector<LitVertex> other = Square(9, 3);
    vertices.insert(vertices.end(), other.begin(), other.end());
    Stream s;
    const ExecuteData data = Build(
        s, vertices,
        [](Stream& st) {
            st.Triangles({{1, 2, 0, 0x700}, {1, 3, 2, 0x700}});
            st.Triangles({});  // padding
            st.Triangles({{5, 4, 6, 0}});
        },
        true);
    // The length only bounds the stream.
    ExecuteData roomy = data;
    roomy.instructionLength += 64;
    ASSERT_EQ(Run(s, roomy, 64), gfx::DD_OK);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(Get(target_, 2 + x, 3 + y), Tag(x, y)) << x << "," << y;
    }
    EXPECT_EQ(Get(target_, 1, 3), 0u);
    EXPECT_EQ(Get(target_, 6, 3), 0u);
    EXPECT_EQ(Drawn(), 16) << "the counter-clockwise triangle is culled";

    // Without culling it shows.
    Stream all;
    const ExecuteData shown = Build(
        all, vertices,
        [](Stream& st) {
            st.Triangles({{5, 4, 6, 0}});
        },
        true, gfx::D3DCULL_NONE);
    ASSERT_EQ(Run(all, shown), gfx::DD_OK);
    EXPECT_GT(Drawn(), 16);
}

TEST_F(OldDirect3DTest, RefusedExecuteDataDrawsNothing) {
    const std::vector<LitVertex> vertices = Square(2, 3);
    struct Case {
        const char* name;
        std::function<void(Stream&)> body;
        bool exit;
        gfx::HRESULT expected;
    };
    const Case cases[] = {
        {"index past the vertices",
         [](Stream& st) {
             st.Triangles({{1, 2, 0, 0}, {1, 3, 4, 0}});
         },
         true, gfx::D3DERR_VERTEXINDEX},
        {"process past the vertices",
         [](Stream& st) {
             st.Op(gfx::D3DOP_PROCESSVERTICES, sizeof(gfx::ProcessVertices), 1);
             st.Put(gfx::ProcessVertices{gfx::D3DPROCESSVERTICES_TRANSFORM, 2, 0, 3, 0});
         },
         true, gfx::D3DERR_VERTEXINDEX},
        {"count past the buffer",
         [](Stream& st) {
             st.Triangles({{1, 2, 0, 0}});
             st.Op(gfx::D3DOP_TRIANGLE, sizeof(gfx::Triangle), 500);
         },
         false, gfx::D3DERR_EXECUTEOVERRUN},
        {"no exit",
         [](Stream& st) {
             st.Triangles({{1, 2, 0, 0}});
         },
         false, gfx::D3DERR_EXECUTEOVERRUN},
        {"unknown opcode",
         [](Stream& st) {
             st.Triangles({{1, 2, 0, 0}});
             st.Op(4, 0, 0);
         },
         true, gfx::D3DERR_UNKNOWNOPCODE},
        {"record size not the opcode's",
         [](Stream& st) {
             st.Op(gfx::D3DOP_TRIANGLE, 6, 1);
             st.Put(gfx::Triangle{1, 2, 0, 0});
         },
         true, gfx::D3DERR_INVALIDSTATE},
        {"unknown render state",
         [](Stream& st) {
             st.Triangles({{1, 2, 0, 0}});
             st.States(gfx::D3DOP_STATERENDER, {{200, 1}});
         },
         true, gfx::D3DERR_INVALIDSTATE},
        {"unknown texture handle",
         [](Stream& st) {
             st.States(gfx::D3DOP_STATERENDER, {{gfx::D3DRENDERSTATE_TEXTUREHANDLE, 0xBEEF}});
         },
         true, gfx::D3DERR_INVALIDHANDLE},
        {"unknown matrix",
         [](Stream& st) {
             st.States(gfx::D3DOP_STATETRANSFORM, {{gfx::D3DTRANSFORMSTATE_VIEW, 77}});
         },
         true, gfx::D3DERR_INVALIDHANDLE},
    };
    for (const Case& c : cases) {
        Stream s;
        const ExecuteData data = Build(s, vertices, c.body, c.exit);
        EXPECT_EQ(Run(s, data), c.expected) << c.name;
        EXPECT_EQ(Drawn(), 0) << c.name;
    }
    // Offsets and lengths reaching past the buffer are refused before anything is read.
    Stream s;
    ExecuteData data = Build(s, vertices, [](Stream& st) { st.Triangles({{1, 2, 0, 0}}); });
    ExecuteData late = data;
    late.instructionLength += 1;
    EXPECT_EQ(Run(s, late), gfx::D3DERR_EXECUTEOVERRUN);
    ExecuteData many = data;
    many.vertexCount = 0x10000000;
    EXPECT_EQ(Run(s, many), gfx::D3DERR_EXECUTEOVERRUN);
    ExecuteData far = data;
    far.instructionOffset = 0xFFFFFFF0u;
    EXPECT_EQ(Run(s, far), gfx::D3DERR_EXECUTEOVERRUN);
    EXPECT_EQ(Drawn(), 0);
}

TEST_F(OldDirect3DTest, HandlesEndWithTheirSurfaceAndBuffersStayInSystemMemory) {
    EXPECT_NE(handle_, 0u);
    EXPECT_EQ(gfx::SurfaceOfTextureHandle(handle_), texture_);
    texture_->Release();
    texture_ = nullptr;
    EXPECT_EQ(gfx::SurfaceOfTextureHandle(handle_), nullptr);

    gfx::ExecuteBufferDesc desc;
    desc.flags = gfx::D3DDEB_BUFSIZE | gfx::D3DDEB_CAPS;
    desc.caps = gfx::D3DDEBCAPS_VIDEOMEMORY;
    desc.bufferSize = 64;
    gfx::ExecuteBuffer* buffer = nullptr;
    EXPECT_NE(device_->CreateExecuteBuffer(&desc, &buffer), gfx::DD_OK);
    EXPECT_EQ(buffer, nullptr);
    // A video-memory back buffer has no software device of the old interface.
    gfx::Surface* video =
        Make(8, 8, gfx::FormatX888(), gfx::DDSCAPS_3DDEVICE | gfx::DDSCAPS_VIDEOMEMORY);
    void* device = nullptr;
    EXPECT_EQ(video->QueryInterface(gfx::IID_IDirect3DRGBDevice, &device), platform::E_NOINTERFACE);
    video->Release();
}

TEST_F(OldDirect3DTest, ChangeDisplaySettingsSwitchesTheModeAndLogsEachCall) {
    gfx::DevMode mode;
    mode.fields = gfx::DM_BITSPERPEL | gfx::DM_PELSWIDTH | gfx::DM_PELSHEIGHT;
    mode.pelsWidth = 800;
    mode.pelsHeight = 600;
    mode.bitsPerPel = 16;
    EXPECT_EQ(gfx::ChangeDisplaySettings(&mode, 0), gfx::DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(gfx::display::CurrentMode().width, 800);
    EXPECT_EQ(gfx::display::CurrentMode().bitsPerPixel, 16);
    mode.bitsPerPel = 12;
    EXPECT_EQ(gfx::ChangeDisplaySettings(&mode, 0), gfx::DISP_CHANGE_BADMODE);
    EXPECT_EQ(gfx::display::CurrentMode().bitsPerPixel, 16);
    EXPECT_EQ(gfx::ChangeDisplaySettings(nullptr, 0), gfx::DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(gfx::display::CurrentMode().width, 1024);
    const auto calls = gfx::DisplaySettingsCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_FALSE(calls[0].restore);
    EXPECT_EQ(calls[0].mode.height, 600);
    EXPECT_EQ(calls[1].result, gfx::DISP_CHANGE_BADMODE);
    EXPECT_TRUE(calls[2].restore);
}

}  // namespace

// A viewport belongs to one device until it is deleted from it or the device goes.
TEST_F(OldDirect3DTest, AViewportBelongsToOneDeviceUntilDeletedOrTheDeviceGoes) {
    gfx::Surface* second =
        Make(kWidth, kHeight, gfx::FormatX888(), gfx::DDSCAPS_3DDEVICE | gfx::DDSCAPS_SYSTEMMEMORY);
    void* made = nullptr;
    ASSERT_EQ(second->QueryInterface(gfx::IID_IDirect3DRGBDevice, &made), gfx::DD_OK);
    auto* other = static_cast<gfx::OldDevice*>(static_cast<platform::IUnknown*>(made));
    EXPECT_EQ(other->AddViewport(viewport_), gfx::D3DERR_INVALIDVIEWPORT);
    EXPECT_EQ(other->DeleteViewport(viewport_), gfx::D3DERR_INVALIDVIEWPORT);

    ASSERT_EQ(device_->DeleteViewport(viewport_), gfx::DD_OK);
    EXPECT_EQ(device_->DeleteViewport(viewport_), gfx::D3DERR_INVALIDVIEWPORT);
    ASSERT_EQ(other->AddViewport(viewport_), gfx::DD_OK);
    other->Release();
    second->Release();
    gfx::OldViewportDesc desc;
    EXPECT_EQ(viewport_->SetViewport(&desc), gfx::D3DERR_VIEWPORTHASNODEVICE);
    EXPECT_EQ(device_->AddViewport(viewport_), gfx::DD_OK);
}
