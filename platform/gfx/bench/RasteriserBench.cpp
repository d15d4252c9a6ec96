// A full-HD frame of the canvas's tiles at zoom 1.37, drawn by the software device on one
// thread, against a plain copy of a frame of the same size.
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/gfx/Direct3DDevice.h"
#include "platform/gfx/DirectDraw.h"
#include "platform/gfx/Surface.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kZoom = 1.37;

class Frame {
public:
    Frame() {
        gfx::DirectDrawCreate(nullptr, &dd_);
        void* d3d = nullptr;
        dd_->QueryInterface(gfx::IID_IDirect3D3, &d3d);
        d3d_ = static_cast<gfx::Direct3D*>(static_cast<platform::IUnknown*>(d3d));
        target_ = Make(kWidth, kHeight, gfx::DDSCAPS_3DDEVICE | gfx::DDSCAPS_SYSTEMMEMORY);
        d3d_->CreateDevice(gfx::IID_IDirect3DRGBDevice, target_, &device_);
        d3d_->CreateViewport(&viewport_);
        device_->AddViewport(viewport_);
        gfx::ViewportDesc desc;
        desc.width = kWidth;
        desc.height = kHeight;
        viewport_->SetViewport2(&desc);
        device_->SetCurrentViewport(viewport_);
        device_->SetRenderState(gfx::D3DRENDERSTATE_CULLMODE, gfx::D3DCULL_NONE);

        // Tiles as the canvas places them: 254 texels of content a tile, one-texel borders.
        const double step = 254.0 * kZoom;
        for (int r = 0; r * step < kHeight; ++r) {
            for (int c = 0; c * step < kWidth; ++c) {
                gfx::Surface* surface = Make(256, 256, gfx::DDSCAPS_TEXTURE);
                platform::SurfacePixels pixels;
                surface->Lock(nullptr, pixels, 0);
                for (int y = 0; y < 256; ++y) {
                    auto* row = reinterpret_cast<std::uint32_t*>(pixels.bits + y * pixels.pitch);
                    for (int x = 0; x < 256; ++x) {
                        row[x] = static_cast<std::uint32_t>((x * 7 + c * 40) << 16 |
                                                            (y * 5 + r * 60) << 8 | (x ^ y)) &
                                 0xFFFFFF;
                    }
                }
                surface->Unlock();
                void* texture = nullptr;
                surface->QueryInterface(gfx::IID_IDirect3DTexture2, &texture);
                surface->Release();
                textures_.push_back(
                    static_cast<gfx::Texture*>(static_cast<platform::IUnknown*>(texture)));
                const auto x = [&](double local) {
                    return static_cast<float>(local * kZoom + c * step);
                };
                const auto y = [&](double local) {
                    return static_cast<float>(local * kZoom + r * step);
                };
                const float lo = 1.0F / 256, hi = 255.0F / 256;
                quads_.push_back({gfx::TLVertex{x(0), y(254), 0, 1, ~0u, ~0u, lo, hi},
                                  gfx::TLVertex{x(0), y(0), 0, 1, ~0u, ~0u, lo, lo},
                                  gfx::TLVertex{x(254), y(254), 0, 1, ~0u, ~0u, hi, hi},
                                  gfx::TLVertex{x(254), y(0), 0, 1, ~0u, ~0u, hi, lo}});
            }
        }
    }
    ~Frame() {
        for (gfx::Texture* texture : textures_) texture->Release();
        device_->SetTexture(0, nullptr);
        viewport_->Release();
        device_->Release();
        target_->Release();
        d3d_->Release();
        dd_->Release();
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    void Draw(std::uint32_t filter) {
        device_->SetTextureStageState(0, gfx::D3DTSS_MAGFILTER, filter);
        device_->SetTextureStageState(0, gfx::D3DTSS_MINFILTER, filter);
        device_->BeginScene();
        for (std::size_t i = 0; i < quads_.size(); ++i) {
            device_->SetTexture(0, textures_[i]);
            device_->DrawPrimitive(gfx::D3DPT_TRIANGLESTRIP, gfx::D3DFVF_TLVERTEX1,
                                   quads_[i].data(), 4, 24);
        }
        device_->EndScene();
    }

private:
    gfx::Surface* Make(int width, int height, std::uint32_t caps) {
        gfx::SurfaceDesc desc;
        desc.flags = gfx::DDSD_CAPS | gfx::DDSD_WIDTH | gfx::DDSD_HEIGHT | gfx::DDSD_PIXELFORMAT;
        desc.width = width;
        desc.height = height;
        desc.caps = caps;
        desc.pixelFormat = gfx::FormatX888();
        gfx::Surface* surface = nullptr;
        dd_->CreateSurface(desc, &surface);
        return surface;
    }

    gfx::DirectDraw* dd_ = nullptr;
    gfx::Direct3D* d3d_ = nullptr;
    gfx::Surface* target_ = nullptr;
    gfx::Device* device_ = nullptr;
    gfx::Viewport* viewport_ = nullptr;
    std::vector<gfx::Texture*> textures_;
    std::vector<std::vector<gfx::TLVertex>> quads_;
};

void BM_FrameBilinear(benchmark::State& state) {
    Frame frame;
    for (auto _ : state) frame.Draw(gfx::D3DTFILTER_LINEAR);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_FrameBilinear)->Unit(benchmark::kMillisecond);

void BM_FrameNearest(benchmark::State& state) {
    Frame frame;
    for (auto _ : state) frame.Draw(gfx::D3DTFILTER_POINT);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_FrameNearest)->Unit(benchmark::kMillisecond);

// The reference: one 32-bit frame copied.
void BM_FrameMemcpy(benchmark::State& state) {
    std::vector<std::uint8_t> from(std::size_t{kWidth} * kHeight * 4, 1);
    std::vector<std::uint8_t> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_FrameMemcpy)->Unit(benchmark::kMillisecond);

}  // namespace
