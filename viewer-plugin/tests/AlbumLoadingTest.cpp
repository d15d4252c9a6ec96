#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "imaging/PictureLoader.h"
#include "imaging/tests/JpegFixtures.h"
#include "platform/bitmap/DibSection.h"
#include "platform/com/MemoryStream.h"
#include "platform/lwf/testing/LwfTesting.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"
#include "viewer-plugin/canvas/Canvas.h"
#include "viewer-plugin/tests/AlbumTestSupport.h"
#include "viewer-plugin/tests/LwfPicture.h"
#include "viewer-plugin/tests/ThreadCount.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const bool kOpenJpegCodec = lwf_testing::UseOpenJpegCodec();

using lwf_picture::LwfPicture;
using thread_count::ThreadCount;

// Reads the downloads' buffers as the viewer does, with the album's loader behind them.
struct LoadingOwner : DownloadOwner {
    using Downloader = CDownloader<LoadingOwner>;

    void SetDownloadBinding(platform::IBinding*) override {}
    DownloadReader* GetDownloadReader() override { return started ? &album->Loader() : nullptr; }

    static void OnData(LoadingOwner* owner, Downloader* downloader, std::uint8_t* buffer,
                       std::size_t count) {
        if (buffer == nullptr) {
            owner->kept = downloader->TakeBuffer();
            return;
        }
        if (owner->started) {
            owner->album->Loader().SetAvailable(count);
        } else if (count >= 7168) {
            owner->started = owner->album->AddData(owner->display, owner->name, buffer, count);
        }
    }
    static void OnDone(LoadingOwner* owner, Downloader* downloader, std::uint8_t* buffer) {
        if (buffer != nullptr && owner->started) {
            owner->album->Loader().SetExpected(downloader->BytesRead());
        }
    }

    Album* album = nullptr;
    D3DWindow* display = nullptr;
    std::string name;
    bool started = false;
    DownloadBuffer kept;
};

class AlbumLoading : public album_test::AlbumTest {
protected:
    // The level-0 tiles as one top-down picture of blue, green, red bytes.
    Bytes Tiles() {
        Canvas* canvas = album_->GetCanvas();
        const int width = canvas->GetImageWidth();
        const int height = canvas->GetImageHeight();
        Bytes pixels(static_cast<std::size_t>(width) * height * 3);
        platform::SemaphoreHold hold(album_->Loader().CanvasSemaphore(), platform::kWaitForever);
        const Vector2<int> grid = canvas->GetGridSize();
        for (int r = 0; r < grid.y; ++r) {
            for (int c = 0; c < grid.x; ++c) {
                D3DSurface* tile =
                    canvas->GetTiles()[static_cast<std::size_t>(r) * grid.x + c].get();
                EXPECT_TRUE(tile->Lock());
                std::uint8_t* bits = nullptr;
                std::ptrdiff_t pitch = 0;
                const platform::PixelFormat* format = nullptr;
                EXPECT_TRUE(tile->GetLockInfo(&bits, &pitch, &format));
                for (int y = r * 254; y < std::min(height, (r + 1) * 254); ++y) {
                    for (int x = c * 254; x < std::min(width, (c + 1) * 254); ++x) {
                        const std::uint8_t* p = bits + (y % 254 + 1) * pitch + (x % 254 + 1) * 4;
                        std::memcpy(&pixels[(static_cast<std::size_t>(y) * width + x) * 3], p, 3);
                    }
                }
                tile->Unlock();
            }
        }
        return pixels;
    }

    // Every texel of every level-0 tile, borders and what lies past the picture included.
    std::vector<std::uint32_t> WholeTiles() {
        std::vector<std::uint32_t> texels;
        platform::SemaphoreHold hold(album_->Loader().CanvasSemaphore(), platform::kWaitForever);
        for (const auto& tile : album_->GetCanvas()->GetTiles()) {
            std::uint8_t* bits = nullptr;
            std::ptrdiff_t pitch = 0;
            EXPECT_TRUE(tile->Lock());
            EXPECT_TRUE(tile->GetLockInfo(&bits, &pitch, nullptr));
            for (int y = 0; y < tile->GetHeight(); ++y) {
                const std::uint8_t* row = bits + y * pitch;
                for (int x = 0; x < tile->GetWidth(); ++x) {
                    std::uint32_t texel = 0;
                    std::memcpy(&texel, row + 4 * x, 4);
                    texels.push_back(texel);
                }
            }
            tile->Unlock();
        }
        return texels;
    }

    // What the picture loader makes of the file, as blue, green, red bytes.
    static Bytes Reference(const testing_support::TempDir& temp, const std::string& name,
                           const Bytes& file) {
        const std::string path = temp.Write(name, std::string(file.begin(), file.end()));
        auto dib = LoadPictureAsDIB(path, nullptr, nullptr, nullptr);
        if (!dib || dib->bitCount() != 24) return {};
        Bytes pixels;
        for (int y = 0; y < dib->height(); ++y) {
            const std::uint8_t* row = dib->Row(y);
            pixels.insert(pixels.end(), row, row + dib->width() * 3);
        }
        return pixels;
    }

    // Feeds a file to a downloader in chunks, announcing `announced` bytes.
    void Download(LoadingOwner& owner, const Bytes& file, std::uint32_t announced,
                  std::size_t chunk) {
        LoadingOwner::Downloader* downloader = nullptr;
        ASSERT_EQ(LoadingOwner::Downloader::CreateDownloader(&downloader, &owner), platform::S_OK);
        downloader->SetCallbacks(&LoadingOwner::OnData, &LoadingOwner::OnDone, nullptr);
        platform::MemoryStream* stream = platform::MemoryStream::Create(file);
        downloader->OnProgress(0, announced, platform::BINDSTATUS_BEGINDOWNLOADDATA, nullptr);
        for (std::size_t sent = 0; sent < file.size();) {
            sent = std::min(file.size(), sent + chunk);
            std::uint32_t flags = sent == chunk ? platform::BSCF_FIRSTDATANOTIFICATION : 0;
            if (sent == file.size()) flags |= platform::BSCF_LASTDATANOTIFICATION;
            platform::STGMEDIUM medium{platform::TYMED_ISTREAM, stream};
            ASSERT_EQ(downloader->OnDataAvailable(flags, static_cast<std::uint32_t>(sent), nullptr,
                                                  &medium),
                      platform::S_OK);
            // Let the loader run passes between the chunks now and then.
            if (sent % (chunk * 8) == 0) std::this_thread::sleep_for(2ms);
        }
        downloader->OnStopBinding(platform::S_OK, nullptr);
        stream->Release();
        downloader->Release();
    }

    bool WaitForState(int state) {
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (album_->Loader().GetState() != state) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    testing_support::TempDir temp_;
};

TEST_F(AlbumLoading, AJpegLandsInTheTilesAsTheLoaderDecodesIt) {
    const Bytes file = jpeg_fixtures::Encode({.width = 600, .height = 300, .quality = 85});
    D3DWindow* display = Display({400, 300});
    album_->SetCanvasColor(0x102030);
    album_->CreateCanvas(display);
    testing_support::DebugCapture capture;
    ASSERT_TRUE(album_->AddData(display, "picture.jpg", file.data(), file.size()));
    EXPECT_EQ(album_->GetImageName(), "picture.jpg");
    EXPECT_EQ(album_->GetCanvasSize(), Vector2<int>(600, 300));
    EXPECT_TRUE(Tiles() == Reference(temp_, "picture.jpg", file));
    EXPECT_FALSE(album_->Loader().IsRunning());

    // A header the decoder cannot read fails the load without a word.
    const Bytes broken = jpeg_fixtures::AsBytes("\xFF\xD8\xFF\xC0 not a picture at all");
    EXPECT_FALSE(album_->AddData(display, "broken.jpg", broken.data(), broken.size()));
    EXPECT_FALSE(album_->AddData(display, "none.jpg", nullptr, 0));
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_EQ(album_->GetCanvasSize(), Vector2<int>(600, 300));
}

TEST_F(AlbumLoading, TilesTheDecoderWritesWholeKeepNothingOfTheirOldMemory) {
    // The tiles are made without zeroing; whatever the allocator left in them (here a
    // different byte on each load) must never show.
    const Bytes file = jpeg_fixtures::Encode({.width = 600, .height = 300, .quality = 85});
    D3DWindow* display = Display({400, 300});
    album_->SetCanvasColor(0x102030);
    album_->CreateCanvas(display);
    std::vector<std::uint32_t> loads[2];
    for (int i = 0; i < 2; ++i) {
        mallopt(M_PERTURB, i == 0 ? 0x11 : 0x77);
        const bool added = album_->AddData(display, "picture.jpg", file.data(), file.size());
        mallopt(M_PERTURB, 0);
        ASSERT_TRUE(added);
        loads[i] = WholeTiles();
    }
    ASSERT_EQ(loads[0].size(), 6u * 256 * 256);
    EXPECT_TRUE(loads[0] == loads[1]);
    // Past the picture, in the last tile: the canvas colour.
    EXPECT_EQ(loads[0][5 * 256 * 256 + 200 * 256 + 200] & 0xFFFFFF, 0x102030u);
}

TEST_F(AlbumLoading, AProgressivePictureArrivingInChunksEndsComplete) {
    ASSERT_TRUE(kOpenJpegCodec);
    const Bytes file = LwfPicture(600, 520);
    const Bytes expected = Reference(temp_, "picture.lwf", file);
    ASSERT_FALSE(expected.empty());
    const auto size = static_cast<std::uint32_t>(file.size());
    const struct {
        const char* name;
        std::uint32_t announced;
    } cases[] = {{"the size announced", size}, {"no size announced", 0}, {"too little", 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        album_ = std::make_unique<Album>();
        if (display_) {
            display_->OnDestroy();
            display_.reset();
        }
        D3DWindow* display = Display({400, 300});
        album_->CreateCanvas(display);
        LoadingOwner owner;
        owner.album = album_.get();
        owner.display = display;
        owner.name = "picture.lwf";
        Download(owner, file, c.announced, 2000);
        ASSERT_TRUE(owner.started);
        ASSERT_TRUE(WaitForState(AlbumLoader::kFinished));
        EXPECT_FALSE(album_->Loader().IsProgressive());
        EXPECT_EQ(album_->Loader().TakeReport(), AlbumLoader::kLoaderLeft);
        EXPECT_EQ(album_->Loader().Decoded(), file.size());
        EXPECT_TRUE(Tiles() == expected);
        album_->StopLoader();
    }
}

TEST_F(AlbumLoading, AStopInsideAPassEndsWithinOneBandAndLeavesNoThread) {
    ASSERT_TRUE(kOpenJpegCodec);
    const Bytes file = LwfPicture(300, 254 * 3);
    const int threads = ThreadCount();
    D3DWindow* display = Display({400, 300});
    album_->SetCanvasColor(0x405060);
    album_->CreateCanvas(display);
    AlbumLoader& loader = album_->Loader();
    ASSERT_TRUE(album_->AddData(display, "tall.lwf", file.data(), 8000));
    EXPECT_EQ(loader.GetState(), AlbumLoader::kStarted);
    {
        // The pass reads the first band's first row and then waits here for the canvas.
        platform::SemaphoreHold hold(loader.CanvasSemaphore(), platform::kWaitForever);
        loader.SetAvailable(file.size());
        loader.SetExpected(file.size());
        const auto started = std::chrono::steady_clock::now() + 30s;
        while (loader.Decoded() != file.size() && std::chrono::steady_clock::now() < started) {
            std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(20ms);
        loader.StopLoading();
    }
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (loader.IsRunning() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(1ms);
    }
    // Only the first band was written: the second is as made, the third as filled.
    const Bytes tiles = Tiles();
    const auto at = [&](int x, int y) {
        const std::uint8_t* p = &tiles[(static_cast<std::size_t>(y) * 300 + x) * 3];
        return (p[2] << 16) | (p[1] << 8) | p[0];
    };
    EXPECT_NE(at(100, 100), 0);
    EXPECT_EQ(at(100, 254 + 100), 0);
    EXPECT_EQ(at(100, 2 * 254 + 100), 0x405060);
    album_->StopLoader();
    EXPECT_FALSE(loader.IsRunning());
    EXPECT_EQ(loader.GetState(), AlbumLoader::kIdle);
    EXPECT_EQ(loader.TakeReport(), AlbumLoader::kLoaderLeft);
    EXPECT_EQ(album_->GetCanvas(), nullptr);
    EXPECT_EQ(ThreadCount(), threads);
}

TEST_F(AlbumLoading, SizesTheCanvasRefusesFailTheLoad) {
    D3DWindow* display = Display({400, 300});
    album_->CreateCanvas(display);
    // A header claiming 20000 x 10000: the tiles of every level would need more than the
    // canvas allows.
    Bytes huge = jpeg_fixtures::Encode({.width = 16, .height = 16});
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] != 0xFF || huge[i + 1] != 0xC0) continue;
        huge[i + 5] = 10000 >> 8;
        huge[i + 6] = 10000 & 0xFF;
        huge[i + 7] = 20000 >> 8;
        huge[i + 8] = 20000 & 0xFF;
        break;
    }
    EXPECT_FALSE(album_->AddData(display, "huge.jpg", huge.data(), huge.size()));
    EXPECT_EQ(album_->GetCanvasSize(), Vector2<int>(1, 1));
    EXPECT_FALSE(album_->Loader().IsRunning());
}

}  // namespace
