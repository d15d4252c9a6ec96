#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QImage>

#include "platform/com/Com.h"
#include "platform/lwf/testing/LwfTesting.h"
#include "platform/window/DrawContext.h"
#include "platform/window/InputState.h"
#include "testing/LoopbackServer.h"
#include "testing/ScriptedMenuChooser.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/tests/LwfPicture.h"
#include "viewer-plugin/tests/ViewerTestSupport.h"

namespace {

using namespace std::chrono_literals;
using testing_support::HttpReply;
using testing_support::LoopbackServer;
using viewer_test::Near;

constexpr std::uint32_t kPicture = 0xC83C50;
constexpr std::uint32_t kBackground = 0x141414;

class Viewer : public viewer_test::ViewerTest {
protected:
    Vector3 Script() const {
        Vector3 p;
        viewer_->GetPosition(&p.x, &p.y, &p.z);
        return p;
    }
};

TEST_F(Viewer, ShowsAJpegFromAFileAndFromTheLoopbackServer) {
    LoopbackServer server;
    const auto bytes = SolidJpeg(200, 150, kPicture);
    server.Serve("/picture.jpg", HttpReply::Body(std::string(bytes.begin(), bytes.end())));
    const std::string sources[] = {JpegFile("picture.jpg", 200, 150, kPicture),
                                   server.Url("/picture.jpg")};
    for (const std::string& source : sources) {
        SCOPED_TRACE(source);
        host_.events.clear();
        Load(source);
        ASSERT_TRUE(viewer_->IsImagePresent());
        EXPECT_FALSE(Probe().LoadError());
        // OnLoad waits for the next frame, and comes once.
        EXPECT_EQ(host_.Count("OnLoad"), 0);
        viewer_->OnFrameMessage();
        viewer_->OnFrameMessage();
        EXPECT_EQ(host_.Count("OnLoad"), 1);
        EXPECT_TRUE(Near(ShownAt(100, 75), kPicture)) << std::hex << ShownAt(100, 75);
        EXPECT_EQ(ShownAt(300, 250), kBackground);
        viewer_->OnDestroyWindow();
        viewer_ = std::make_unique<CVanteloPlugin>();
        viewer_->SetHostInterface(&host_);
    }
}

TEST_F(Viewer, LoadsAFilenameOnceAndAgainAfterAFailure) {
    // Before a window there is nothing to load into.
    EXPECT_EQ(viewer_->Reload(), -1);
    viewer_->SetFilename(temp_.Path("missing.jpg"));
    EXPECT_EQ(viewer_->Reload(), -2);
    EXPECT_FALSE(viewer_->IsLoading());

    viewer_->AttachWindow(widget_);
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading(); }));
    EXPECT_TRUE(Probe().LoadError());
    EXPECT_EQ(viewer_->StatusText(), "Error loading: " + temp_.Path("missing.jpg"));
    viewer_->OnFrameMessage();
    EXPECT_EQ(host_.Count("OnLoad"), 1);

    // A failed name is tried again; a loaded one is not.
    JpegFile("missing.jpg", 40, 30, kPicture);
    viewer_->SetFilename(temp_.Path("missing.jpg"));
    EXPECT_TRUE(viewer_->IsLoading());
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading(); }));
    EXPECT_FALSE(Probe().LoadError());
    EXPECT_TRUE(viewer_->StatusText().empty());
    viewer_->SetFilename(temp_.Path("missing.jpg"));
    EXPECT_FALSE(viewer_->IsLoading());
    EXPECT_EQ(viewer_->Reload(), 0);
}

TEST_F(Viewer, ANewNameEndsTheDownloadStillRunning) {
    LoopbackServer server;
    const auto first = SolidJpeg(200, 150, 0x2050C8);
    server.Serve("/first.jpg",
                 HttpReply::Body(std::string(first.begin(), first.end())).HoldAfter(200));
    const std::string second = JpegFile("second.jpg", 200, 150, kPicture);
    viewer_->AttachWindow(widget_);
    viewer_->SetFilename(server.Url("/first.jpg"));
    ASSERT_TRUE(server.WaitUntilHeld(std::chrono::seconds(10)));
    viewer_->SetFilename(second);
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading(); }));
    // The first picture's last bytes, were they still listened to, would land in the second's.
    server.Release();
    Pump(std::chrono::milliseconds(300));
    viewer_->OnFrameMessage();
    EXPECT_FALSE(Probe().LoadError());
    EXPECT_TRUE(viewer_->IsImagePresent());
    EXPECT_TRUE(Near(ShownAt(100, 75), kPicture)) << std::hex << ShownAt(100, 75);
}

// The bytes of a JPEG whose frame header says `width` x `height`, with its small picture
// data after it.
std::string JpegClaiming(std::vector<std::uint8_t> bytes, int width, int height) {
    for (std::size_t at = 2; at + 9 < bytes.size();) {
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            bytes[at + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[at + 6] = static_cast<std::uint8_t>(height & 0xFF);
            bytes[at + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[at + 8] = static_cast<std::uint8_t>(width & 0xFF);
            break;
        }
        at += 2 + ((bytes[at + 2] << 8) | bytes[at + 3]);
    }
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(Viewer, APictureItsFirstBytesRefuseFailsWithoutWaitingForTheRest) {
    // A letter under a picture's name, and a picture no canvas takes, each held by the server
    // after its first bytes: their errors come from those.
    const std::string letter = "Dear Sir,\n" + std::string(300000, 'x');
    LoopbackServer server;
    server.Serve("/letter.png", HttpReply::Body(letter).Chunks(4096).HoldAfter(8192));
    const std::string huge =
        JpegClaiming(SolidJpeg(64, 48, kPicture), 20000, 20000) + std::string(300000, '\0');
    LoopbackServer hugeServer;
    hugeServer.Serve("/huge.jpg", HttpReply::Body(huge).Chunks(4096).HoldAfter(8192));
    viewer_->AttachWindow(widget_);

    viewer_->SetFilename(server.Url("/letter.png"));
    ASSERT_TRUE(server.WaitUntilHeld(std::chrono::seconds(10)));
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading(); })) << "the letter's error";
    EXPECT_TRUE(Probe().LoadError());
    EXPECT_FALSE(viewer_->IsImagePresent());
    EXPECT_EQ(viewer_->StatusText(), "Error loading: " + server.Url("/letter.png"));
    viewer_->OnFrameMessage();
    EXPECT_EQ(host_.Count("OnLoad"), 1);
    server.Release();

    viewer_->SetFilename(hugeServer.Url("/huge.jpg"));
    ASSERT_TRUE(hugeServer.WaitUntilHeld(std::chrono::seconds(10)));
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading(); })) << "the huge picture's error";
    EXPECT_EQ(viewer_->StatusText(), "Error loading: " + hugeServer.Url("/huge.jpg") +
                                         "\nThe picture is too big to show (20000 x 20000 pixels)");
    viewer_->OnFrameMessage();
    EXPECT_EQ(host_.Count("OnLoad"), 2);
    hugeServer.Release();

    // The next picture loads as ever, and a picture whose header allows it is not cut short.
    const auto good = SolidJpeg(200, 150, kPicture);
    server.Serve("/good.jpg", HttpReply::Body(std::string(good.begin(), good.end())).Chunks(64));
    viewer_->SetFilename(server.Url("/good.jpg"));
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading() && viewer_->IsImagePresent(); }));
    EXPECT_FALSE(Probe().LoadError());
    viewer_->OnFrameMessage();
    EXPECT_TRUE(Near(ShownAt(100, 75), kPicture)) << std::hex << ShownAt(100, 75);
    EXPECT_EQ(host_.Count("OnLoad"), 3);
}

// A page that answers a failed load by loading another picture from its OnLoad handler,
// which runs inside the failed download's own ending.
struct RetryingHost : viewer_test::RecordingHost {
    HRESULT OnLoad() override {
        if (viewer != nullptr && !retry.empty()) viewer->SetFilename(std::exchange(retry, {}));
        return Note("OnLoad");
    }
    CVanteloPlugin* viewer = nullptr;
    std::string retry;
};

// The host outlives the viewer's teardown, which may still raise events.
class RetryingPage : public Viewer {
protected:
    void SetUp() override {
        Viewer::SetUp();
        page_.viewer = viewer_.get();
        viewer_->SetHostInterface(&page_);
    }
    RetryingHost page_;
};

TEST_F(RetryingPage, APictureLoadedFromAFailuresOnLoadIsStillTheViewersDownload) {
    LoopbackServer server;
    const auto held = SolidJpeg(200, 150, 0x2050C8);
    server.Serve("/held.jpg",
                 HttpReply::Body(std::string(held.begin(), held.end())).HoldAfter(200));
    page_.retry = server.Url("/held.jpg");
    viewer_->AttachWindow(widget_);
    viewer_->SetFilename(temp_.Path("missing.jpg"));
    ASSERT_TRUE(PumpUntil([&] { return server.Requests("/held.jpg") > 0; }));
    ASSERT_TRUE(server.WaitUntilHeld(std::chrono::seconds(10)));
    // The viewer must still be able to end the download its page started.
    viewer_->SetFilename(JpegFile("second.jpg", 200, 150, kPicture));
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading(); }));
    server.Release();
    Pump(std::chrono::milliseconds(300));
    viewer_->OnFrameMessage();
    EXPECT_FALSE(Probe().LoadError());
    EXPECT_TRUE(Near(ShownAt(100, 75), kPicture)) << std::hex << ShownAt(100, 75);
}

TEST_F(RetryingPage, AFailureAfterAPictureLoadedFromAFailuresOnLoadIsStillReported) {
    page_.retry = JpegFile("good.jpg", 200, 150, kPicture);
    viewer_->AttachWindow(widget_);
    viewer_->SetFilename(temp_.Path("missing.jpg"));
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading() && viewer_->IsImagePresent(); }));
    EXPECT_FALSE(Probe().LoadError());
    viewer_->SetFilename(temp_.Path("absent.jpg"));
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading(); }));
    EXPECT_TRUE(Probe().LoadError());
}

// The paint of a window without a picture, read back from the framebuffer.
class PaintedStatus : public Viewer {
protected:
    // Pixels of the band about the text's baseline that differ from the window's corner.
    int TextPixels() {
        auto hold = platform::Window::Attach(widget_);
        {
            auto dc = hold->BeginPaint();
            ATL_DRAWINFO info;
            info.hdcDraw = dc.get();
            info.prcBounds = Rect{0, 0, 400, 300};
            viewer_->PaintStatus(info);
        }
        platform::SurfacePixels pixels;
        if (!hold->framebuffer().Lock(pixels)) return -1;
        const auto at = [&](int x, int y) {
            return reinterpret_cast<const std::uint32_t*>(pixels.bits + y * pixels.pitch)[x] &
                   0xFFFFFF;
        };
        const std::uint32_t corner = at(2, 2);
        int differing = 0;
        for (int y = 150 + 20; y < 150 + 45; ++y) {
            for (int x = 0; x < 400; ++x) differing += at(x, y) != corner ? 1 : 0;
        }
        hold->framebuffer().Unlock();
        return differing;
    }
};

TEST_F(PaintedStatus, SaysWhyThereIsNoPicture) {
    Load(temp_.Path("absent.jpg"));
    EXPECT_EQ(viewer_->StatusText(), "Error loading: " + temp_.Path("absent.jpg"));
    EXPECT_GT(TextPixels(), 20);
}

TEST_F(PaintedStatus, SaysWhenTheDisplayHasTooFewColours) {
    platform::SetDisplayBitsPerPixel(8);
    viewer_->AttachWindow(widget_);
    EXPECT_TRUE(Probe().InitFailed());
    EXPECT_EQ(Probe().Display().get(), nullptr);
    EXPECT_EQ(viewer_->StatusText(), "Display must be set to 16,24 or 32 bit");
    EXPECT_EQ(viewer_->Reload(), -1);
    // Painted into a window of a depth the read-back can draw on.
    platform::SetDisplayBitsPerPixel(32);
    EXPECT_GT(TextPixels(), 20);
}

TEST_F(Viewer, APrinterGetsTheFrameOfAnyViewerShowingThePicture) {
    const std::string name = JpegFile("p.jpg", 200, 150, kPicture);
    Load(name);
    viewer_->OnFrameMessage();
    const struct {
        std::string name;
        int mapMode;
        bool drawn;
    } cases[] = {{name, platform::MM_TEXT, true},
                 {name + "x", platform::MM_TEXT, false},
                 {name, platform::MM_ISOTROPIC, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + " " + std::to_string(c.mapMode));
        CVanteloPlugin windowless;
        windowless.SetFilename(c.name);
        QImage page(400, 300, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            platform::DrawContext dc(page, platform::DT_RASPRINTER);
            dc.SetMapMode(c.mapMode);
            ATL_DRAWINFO info;
            info.hdcDraw = &dc;
            info.prcBounds = Rect{0, 0, 200, 150};
            EXPECT_EQ(windowless.RenderToDC(info), c.drawn ? 0 : platform::E_FAIL);
        }
        // The back buffer (400 x 300) at half its size: the picture fills the top-left quarter.
        const std::uint32_t inside = page.pixel(50, 30) & 0xFFFFFF;
        EXPECT_EQ(Near(inside, kPicture), c.drawn) << std::hex << inside;
        EXPECT_EQ(page.pixel(300, 200) & 0xFFFFFF, 0xFFFFFFu);
    }
}

TEST_F(Viewer, LuraWaveAnnouncesItsLoadAtTheFirstRowsOthersAfterTheEnd) {
    ASSERT_TRUE(lwf_testing::UseOpenJpegCodec());
    const auto file = lwf_picture::LwfPicture(600, 520);
    ASSERT_GT(file.size(), 30000u);
    LoopbackServer server;
    HttpReply reply = HttpReply::Body(std::string(file.begin(), file.end()));
    reply.holdAfter = 24000;
    server.Serve("/picture.LWF", std::move(reply));

    viewer_->AttachWindow(widget_);
    viewer_->SetFilename(server.Url("/picture.LWF"));
    ASSERT_TRUE(PumpUntil([&] {
        viewer_->OnFrameMessage();
        return host_.Count("OnLoad") > 0;
    }));
    // Heard while the rest of the file is still held back.
    EXPECT_TRUE(viewer_->IsLoading());
    server.Release();
    ASSERT_TRUE(PumpUntil([&] {
        viewer_->OnFrameMessage();
        return !viewer_->IsLoading() &&
               viewer_->GetAlbum().Loader().GetState() == AlbumLoader::kIdle;
    }));
    viewer_->OnFrameMessage();
    EXPECT_EQ(host_.Count("OnLoad"), 1);
    EXPECT_TRUE(viewer_->IsImagePresent());
    EXPECT_FALSE(Probe().LoadError());
}

TEST_F(Viewer, QueuedEventsGoOutInOrderAtTheNextFrame) {
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    viewer_->OnFrameMessage();
    host_.events.clear();

    Probe().SetDeferring(true);
    viewer_->FireEvent(CVanteloPlugin::kChangedPos, true);
    viewer_->SetPosition(-5, -6, 2);  // after the event: its payload was taken before
    viewer_->FireEvent(CVanteloPlugin::kOnTime, false);
    viewer_->FireEvent(CVanteloPlugin::kOnLoad, true);
    viewer_->FireEvent(CVanteloPlugin::kZoomedToGoal, true);
    viewer_->FireEvent(CVanteloPlugin::kOnLoad, false);  // not queued: lost
    // A frame while deferring delivers nothing, OnTime included.
    viewer_->OnFrameMessage();
    EXPECT_TRUE(host_.events.empty());
    EXPECT_EQ(Probe().QueuedEvents(), 3u);

    Probe().SetDeferring(false);
    viewer_->OnFrameMessage();
    const std::vector<std::string> expected = {"ChangedPos(-0,-0,1)", "OnLoad", "ZoomedToGoal",
                                               "OnTime"};
    EXPECT_EQ(host_.events, expected);
    viewer_->OnFrameMessage();
    viewer_->OnFrameMessage();
    EXPECT_EQ(host_.Count("OnTime"), 3);
}

TEST_F(Viewer, KeysPanAndZoom) {
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    Album& album = viewer_->GetAlbum();
    album.SetPanSpeed(1.0f / 1.8f);
    album.SetUserInterfaceLock(Album::kLockFreePan);
    viewer_->SetPosition(-10, -20, 1);
    const struct {
        int vk;
        int repeat;
        Vector2<float> moved;
    } pans[] = {{platform::VK_LEFT, 3, {12, 0}},
                {platform::VK_RIGHT, 2, {-8, 0}},
                {platform::VK_UP, 1, {0, 4}},
                {platform::VK_DOWN, 5, {0, -20}}};
    for (const auto& pan : pans) {
        const Vector3 before = album.GetScreenPosition();
        EXPECT_TRUE(viewer_->OnKeyDown(pan.vk, pan.repeat));
        const Vector3 after = album.GetScreenPosition();
        EXPECT_FLOAT_EQ(after.x - before.x, pan.moved.x) << pan.vk;
        EXPECT_FLOAT_EQ(after.y - before.y, pan.moved.y) << pan.vk;
    }
    EXPECT_FALSE(viewer_->OnKeyDown('Q', 1));

    // Ctrl+Up zooms about the window's centre: the picture point there stays put.
    platform::SetAsyncKeyState(platform::VK_CONTROL, true);
    const Vector3 s = album.GetScreenPosition();
    EXPECT_TRUE(viewer_->OnKeyDown(platform::VK_UP, 2));
    platform::SetAsyncKeyState(platform::VK_CONTROL, false);
    const Vector3 t = album.GetScreenPosition();
    EXPECT_NEAR(t.z, s.z + 0.1f, 1e-4);
    EXPECT_NEAR((200 - t.x) / t.z, (200 - s.x) / s.z, 0.05);
    EXPECT_NEAR((150 - t.y) / t.z, (150 - s.y) / s.z, 0.05);

    host_.events.clear();
    EXPECT_TRUE(viewer_->OnKeyDown(platform::VK_SPACE, 1));
    EXPECT_EQ(album.GetScreenPosition(), Vector3(0, 0, 2));
    EXPECT_EQ(host_.Heard(), std::vector<std::string>{"ChangedPos(-0,-0,2)"});
}

TEST_F(Viewer, TheHotCornerOpensTheMenuWhileTheLogoShows) {
    testing_support::ScriptedMenuChooser chooser;
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    const platform::MenuItem* version = viewer_->GetMenu().FindCommand(CVanteloPlugin::kIdVersion);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text, "Vantelo 1.73");

    viewer_->SetShowLogo(0);
    viewer_->OnMouseMove({390, 5});
    EXPECT_TRUE(chooser.calls().empty());
    viewer_->SetShowLogo(1);
    viewer_->OnMouseMove({370, 5});   // left of the corner
    viewer_->OnMouseMove({390, 30});  // below it
    EXPECT_TRUE(chooser.calls().empty());
    chooser.Choose(CVanteloPlugin::kIdZoom200);
    viewer_->OnMouseMove({390, 5});
    ASSERT_EQ(chooser.calls().size(), 1u);
    EXPECT_EQ(chooser.calls()[0].menu.items()[0].id, CVanteloPlugin::kIdVersion);
    ASSERT_TRUE(PumpUntil([&] { return Script().z == 2; }));

    const struct {
        std::uint32_t id;
        float zoom;
    } items[] = {{CVanteloPlugin::kIdZoom50, 0.5f},
                 {CVanteloPlugin::kIdZoom100, 1},
                 {CVanteloPlugin::kIdZoom200, 2},
                 {CVanteloPlugin::kIdCenter, 2}};
    for (const auto& item : items) {
        host_.events.clear();
        viewer_->OnCommand(item.id);
        EXPECT_FLOAT_EQ(Script().z, item.zoom) << item.id;
        EXPECT_EQ(host_.Heard().size(), 1u) << item.id;
    }
    EXPECT_EQ(viewer_->GetAlbum().GetScreenPosition(), Vector3(0, 0, 2));
}

TEST_F(Viewer, TheLockBitsGreyTheirMenuItems) {
    viewer_->AttachWindow(widget_);
    const struct {
        int bits;
        bool fullscreen, saveView, print;
    } cases[] = {{0, true, true, true},
                 {Album::kLockFullscreen, false, true, true},
                 {Album::kLockSaveView, true, false, true},
                 {Album::kLockPrint, true, true, false},
                 {0x70, false, false, false}};
    platform::Menu& menu = viewer_->GetMenu();
    for (const auto& c : cases) {
        viewer_->UpdateMenu(c.bits);
        EXPECT_EQ(!menu.FindCommand(CVanteloPlugin::kIdFullscreen)->grayed, c.fullscreen) << c.bits;
        EXPECT_EQ(!menu.FindCommand(CVanteloPlugin::kIdSaveView)->grayed, c.saveView) << c.bits;
        EXPECT_EQ(!menu.FindCommand(CVanteloPlugin::kIdPrint)->grayed, c.print) << c.bits;
    }
}

TEST_F(Viewer, ALeftDragPansByTheMouseUntilTheButtonIsReleased) {
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    Album& album = viewer_->GetAlbum();
    album.SetPanSpeed(1.0f / 1.8f);
    album.SetUserInterfaceLock(Album::kLockFreePan);
    platform::SetFocus(widget_);
    viewer_->OnFrameMessage();
    platform::SetCursorPos(viewer_->GetWindow()->ClientToScreen({50, 50}));
    platform::SetAsyncKeyState(platform::VK_LBUTTON, true);
    viewer_->OnLButtonDown();
    EXPECT_TRUE(album.IsPanDrag());
    EXPECT_TRUE(platform::GetClipCursor().has_value());
    EXPECT_FALSE(Probe().LogoVisible());

    const Vector3 before = album.GetScreenPosition();
    host_.events.clear();
    gfx::mouse::Move(7, 0);
    viewer_->OnFrameMessage();
    EXPECT_FLOAT_EQ(album.GetScreenPosition().x - before.x, 7);
    EXPECT_EQ(host_.Count("ChangedPos(-7,-0,1)"), 1);

    platform::SetAsyncKeyState(platform::VK_LBUTTON, false);
    viewer_->OnFrameMessage();
    EXPECT_FALSE(album.IsPanDrag());
    EXPECT_FALSE(platform::GetClipCursor().has_value());
    EXPECT_TRUE(Probe().LogoVisible());
    gfx::mouse::Move(9, 0);
    viewer_->OnFrameMessage();
    EXPECT_FLOAT_EQ(album.GetScreenPosition().x - before.x, 7);
}

class MoveTo : public Viewer {
protected:
    void SetUp() override {
        Viewer::SetUp();
        viewer_->SetClock([this] { return now_; });
        Load(JpegFile("p.jpg", 200, 150, kPicture));
        viewer_->OnFrameMessage();
        host_.events.clear();
    }
    void Frame(int ms) {
        now_ += std::chrono::milliseconds(ms);
        viewer_->OnFrameMessage();
    }
    std::chrono::steady_clock::time_point now_{};
};

TEST_F(MoveTo, EndsExactlyOnTheGoalOnce) {
    for (int method : {0, 2}) {
        SCOPED_TRACE(method);
        viewer_->SetPosition(10, 20, 1);
        host_.events.clear();
        viewer_->MoveTo(50, 80, 3, 100, method);
        Frame(30);
        Frame(30);
        const Vector3 midway = Script();
        EXPECT_GT(midway.x, 10);
        EXPECT_LT(midway.x, 50);
        EXPECT_TRUE(Probe().MoveActive());
        Frame(30);
        Frame(30);
        EXPECT_EQ(Script(), Vector3(50, 80, 3));
        EXPECT_FALSE(Probe().MoveActive());
        Frame(30);
        EXPECT_EQ(host_.Count("ZoomedToGoal"), 1);
    }
}

TEST_F(MoveTo, OtherMethodsNeitherMoveNorEnd) {
    viewer_->SetPosition(10, 20, 1);
    viewer_->MoveTo(50, 80, 3, 100, 1);
    for (int i = 0; i < 10; ++i) Frame(30);
    EXPECT_EQ(Script(), Vector3(10, 20, 1));
    EXPECT_TRUE(Probe().MoveActive());
    EXPECT_EQ(host_.Count("ZoomedToGoal"), 0);
}

TEST_F(MoveTo, AGoalWithoutZoomLeavesTheViewButStillEnds) {
    for (int method : {0, 2}) {
        SCOPED_TRACE(method);
        viewer_->SetPosition(10, 20, 1);
        host_.events.clear();
        viewer_->MoveTo(50, 80, 0, 60, method);
        for (int i = 0; i < 4; ++i) {
            Frame(30);
            EXPECT_EQ(Script(), Vector3(10, 20, 1));
        }
        EXPECT_FALSE(Probe().MoveActive());
        EXPECT_EQ(host_.Count("ZoomedToGoal"), 1);
    }
    // At once: the current position fires no ChangedPos.
    host_.events.clear();
    viewer_->MoveTo(10, 20, 1, 0, 0);
    EXPECT_EQ(host_.Heard(), std::vector<std::string>{"ZoomedToGoal"});
}

}  // namespace
