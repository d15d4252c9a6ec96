// The viewer's display through changes of the screen and hand-overs of the hardware.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QImage>

#include "platform/gfx/VirtualDisplay.h"
#include "platform/lwf/testing/LwfTesting.h"
#include "platform/window/Desktop.h"
#include "platform/window/DrawContext.h"
#include "testing/LoopbackServer.h"
#include "testing/ScriptedPrompts.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/display/SharedRecord.h"
#include "viewer-plugin/services/ViewerOptions.h"
#include "viewer-plugin/tests/LwfPicture.h"
#include "viewer-plugin/tests/ViewerTestSupport.h"
#include "viewer-plugin/viewer/DeviceOwnership.h"
#include "viewer-plugin/viewer/FullScreen.h"

namespace {

using namespace std::chrono_literals;
using testing_support::LoopbackServer;
using viewer_test::Near;

constexpr std::uint32_t kPicture = 0xC83C50;

class DeviceChanges : public viewer_test::ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        SetOptions({2, 0, 640, 480});
    }
    void TearDown() override {
        SetOptions({});
        ViewerTest::TearDown();
    }

    static void SetOptions(const ViewerOptions& options) {
        platform::SectionHold hold(OptionsSection());
        Options() = options;
    }

    // Pumps with frames, as the pacing thread would post them, and the full-screen window's
    // deferred end.
    bool FramesUntil(CVanteloPlugin& viewer, const std::function<bool()>& done) {
        return PumpUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            viewer.OnFrameMessage();
            return done();
        });
    }
    bool FramesUntil(const std::function<bool()>& done) { return FramesUntil(*viewer_, done); }

    // What a paint of the whole window draws.
    QImage Painted() {
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(0x123456);
        platform::DrawContext dc(image);
        ATL_DRAWINFO info;
        info.hdcDraw = &dc;
        info.prcBounds = Rect{0, 0, 400, 300};
        viewer_->PaintStatus(info);
        return image;
    }
    static QRgb WindowColour() {
        QImage image(4, 4, QImage::Format_RGB32);
        platform::DrawContext dc(image);
        dc.FillRect(Rect{0, 0, 4, 4}, platform::COLOR_WINDOW + 1);
        return image.pixel(1, 1);
    }
    // Pixels of the band about the status text that are not the window colour.
    static int TextPixels(const QImage& image) {
        int differing = 0;
        for (int y = 150 + 20; y < 150 + 45; ++y) {
            for (int x = 0; x < 400; ++x) differing += image.pixel(x, y) != WindowColour() ? 1 : 0;
        }
        return differing;
    }
    bool ShowsPicture() {
        return Probe().Display().get() != nullptr && viewer_->IsImagePresent() &&
               Probe().Display()->GetBackBuffer() != nullptr && Near(ShownAt(100, 75), kPicture);
    }

    // The held picture is asked for a second time and, once the server lets it go, shown
    // whole.
    void ExpectLoadedAgainToTheEnd(LoopbackServer& server) {
        EXPECT_TRUE(PumpUntil([&] { return server.Requests("/tall.lwf") == 2; }));
        server.Release();
        EXPECT_TRUE(FramesUntil([&] {
            return !viewer_->IsLoading() && viewer_->IsImagePresent() &&
                   !viewer_->GetAlbum().Loader().IsRunning();
        }));
        EXPECT_FALSE(Probe().LoadError());
    }

    testing_support::ScriptedPrompts prompts_;
};

TEST_F(DeviceChanges, AResizeThatCostsTheDeviceMakesTheDisplayAgain) {
    Hardware();
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    ASSERT_TRUE(FramesUntil([&] { return host_.Count("OnLoad") == 1; }));
    ASSERT_TRUE(Probe().Display()->OwnsDevice());

    // Too small for the hardware, but not so small that the loss does not matter.
    widget_->resize(200, 256);
    ASSERT_TRUE(FramesUntil([&] { return host_.Count("OnLoad") == 2; }));
    EXPECT_EQ(Probe().Display()->GetSize(), Vector2<int>(200, 256));
    EXPECT_TRUE(FramesUntil([&] { return ShowsPicture(); }));

    // A window that small never had a claim on the hardware worth making anew.
    widget_->resize(400, 300);
    ASSERT_TRUE(FramesUntil([&] { return Probe().Display()->OwnsDevice(); }));
    widget_->resize(200, 200);
    ASSERT_TRUE(
        FramesUntil([&] { return Probe().Display()->GetSize() == Vector2<int>(200, 200); }));
    Pump(30ms);
    EXPECT_EQ(host_.Count("OnLoad"), 2);
    EXPECT_TRUE(FramesUntil([&] { return ShowsPicture(); }));
}

TEST_F(DeviceChanges, ADriverExceptionWhileMakingTheDisplayAgainIsTold) {
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    Probe().Ownership().SetCreate([] { throw std::runtime_error("driver"); });
    prompts_.Answer(platform::PromptAnswer::Ok);
    Probe().Ownership().RecoverDevice({400, 300});
    ASSERT_EQ(prompts_.calls().size(), 1u);
    EXPECT_EQ(prompts_.calls()[0].text, "Resize");
    EXPECT_EQ(prompts_.calls()[0].caption, "Graphics driver Exception");
    EXPECT_EQ(Probe().Display().get(), nullptr);

    // The next time it works, the picture is back.
    Probe().Ownership().SetCreate({});
    Probe().Ownership().RecoverDevice({400, 300});
    EXPECT_TRUE(FramesUntil([&] { return ShowsPicture(); }));
}

TEST_F(DeviceChanges, ThePaletteDepthDropsTheDisplayAndAColourDepthMakesItAgain) {
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    ASSERT_TRUE(FramesUntil([&] { return host_.Count("OnLoad") == 1; }));

    platform::SetDisplayBitsPerPixel(8);
    ASSERT_TRUE(PumpUntil([&] { return Probe().Display().get() == nullptr; }));
    EXPECT_TRUE(viewer_->StatusText().empty());
    const QImage dropped = Painted();
    EXPECT_EQ(dropped.pixel(200, 150), WindowColour());
    EXPECT_EQ(TextPixels(dropped), 0);

    platform::SetDisplayBitsPerPixel(32);
    ASSERT_TRUE(FramesUntil([&] { return host_.Count("OnLoad") == 2; }));
    EXPECT_EQ(Probe().Display()->GetBitsPerPixel(), 32);
    EXPECT_TRUE(FramesUntil([&] { return ShowsPicture(); }));

    // A display that cannot be made again says so where the picture was.
    gfx::display::SetDirect3DRefused(true);
    platform::SetDisplayBitsPerPixel(16);
    ASSERT_TRUE(PumpUntil([&] { return Probe().Display().get() == nullptr; }));
    EXPECT_EQ(viewer_->StatusText(), "Failed to Create DirectX 6 or later");
    EXPECT_GT(TextPixels(Painted()), 20);
    gfx::display::SetDirect3DRefused(false);
}

// A viewer too busy for the change leaves its display as it is, and gives back no lock it
// did not get.
TEST_F(DeviceChanges, ABusyViewerLeavesTheDepthChangeAndTheLocksAlone) {
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    platform::Semaphore& state = Probe().Display().StateSemaphore();
    ASSERT_TRUE(state.Acquire(platform::WaitTime{0}));
    platform::SetDisplayBitsPerPixel(16);
    EXPECT_EQ(viewer_->OnDisplayChange(16), 0);
    EXPECT_EQ(state.Count(), 0);
    EXPECT_EQ(Probe().Display()->GetBitsPerPixel(), 32);
    state.Release();
    EXPECT_EQ(state.Count(), 1);
    // Once free, the change goes through.
    EXPECT_EQ(viewer_->OnDisplayChange(16), 1);
    EXPECT_EQ(Probe().Display()->GetBitsPerPixel(), 16);
}

// The loader draws through the display: it is joined before the display goes, and the
// picture is loaded again onto the new one.
TEST_F(DeviceChanges, ADepthChangeDuringAProgressiveLoadLoadsThePictureAgain) {
    ASSERT_TRUE(lwf_testing::UseOpenJpegCodec());
    LoopbackServer server;
    server.Serve("/tall.lwf", lwf_picture::HeldTallPicture());
    viewer_->AttachWindow(widget_);
    viewer_->SetFilename(server.Url("/tall.lwf"));
    ASSERT_TRUE(PumpUntil([&] { return viewer_->GetAlbum().Loader().IsRunning(); }));
    Pump(20ms);

    platform::SetDisplayBitsPerPixel(16);
    ASSERT_TRUE(PumpUntil([&] {
        return Probe().Display().get() != nullptr && Probe().Display()->GetBitsPerPixel() == 16;
    }));
    ExpectLoadedAgainToTheEnd(server);
}

// Two viewers of one process: the one going full screen at a size of its own asks the
// holder, which lets go at once, and takes the hardware back once full screen has it.
TEST_F(DeviceChanges, TheHolderLetsGoForFullScreenAndTakesTheHardwareBack) {
    Hardware();
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    ASSERT_TRUE(Probe().Display()->HoldsHardware());
    CVanteloPlugin asker;
    asker.AttachWindow(Child(400, 0, 300, 300));
    ASSERT_NE(ViewerProbe(asker).Display().get(), nullptr);
    ASSERT_FALSE(ViewerProbe(asker).Display()->HoldsHardware());
    std::vector<std::chrono::milliseconds> sleeps;
    asker.SetHardwareAskSleep([&](std::chrono::milliseconds ms) { sleeps.push_back(ms); });

    ASSERT_TRUE(asker.EnterFullscreen());
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 300ms), 0);
    EXPECT_TRUE(ViewerProbe(asker).Display()->HoldsHardware());
    EXPECT_TRUE(Probe().Ownership().HasYielded());
    EXPECT_EQ(Probe().Display()->GetBackBuffer(), nullptr);
    EXPECT_FALSE(record_.IsReleaseRequested());

    // The request is withdrawn: the holder's next frame takes the display back.
    EXPECT_TRUE(FramesUntil([&] { return ShowsPicture(); }));
    EXPECT_FALSE(Probe().Ownership().HasYielded());
    EXPECT_FALSE(Probe().Display()->HoldsHardware());

    asker.SetFullscreen(0);
    ASSERT_TRUE(FramesUntil(asker, [&] { return asker.GetFullscreen() == 0; }));
    asker.OnDestroyWindow();
}

TEST_F(DeviceChanges, AStaleRequestLetsViewersDrawAgain) {
    Hardware();
    auto now = std::chrono::steady_clock::now();
    Probe().Ownership().SetClock([&] { return now; });
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    ASSERT_TRUE(Probe().Display()->HoldsHardware());

    // An asker in another process asks, and dies before it withdraws the request.
    record_.SetReleased(false);
    record_.SetReleaseRequest(true);
    viewer_->OnFrameMessage();
    EXPECT_TRUE(record_.IsReleased());
    EXPECT_FALSE(record_.IsHardwareClaimed());
    const int frames = host_.Count("OnTime");
    now += DeviceOwnership::LongestAskWait(record_.RunningCount()) / 2;
    viewer_->OnFrameMessage();
    EXPECT_EQ(host_.Count("OnTime"), frames);
    EXPECT_TRUE(record_.IsReleaseRequested());

    now += DeviceOwnership::LongestAskWait(record_.RunningCount());
    viewer_->OnFrameMessage();
    EXPECT_FALSE(record_.IsReleaseRequested());
    EXPECT_GT(host_.Count("OnTime"), frames);
    EXPECT_TRUE(FramesUntil([&] { return ShowsPicture(); }));
    EXPECT_TRUE(Probe().Display()->HoldsHardware());
}

// Any process of the user may write the running count: one no viewers reach would make a
// dead asker's request stand for days.
TEST_F(DeviceChanges, ACountNoViewersReachLeavesARequestStaleAsSoonAsThirtyTwoWould) {
    Hardware();
    auto now = std::chrono::steady_clock::now();
    Probe().Ownership().SetClock([&] { return now; });
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    ASSERT_TRUE(Probe().Display()->HoldsHardware());
    platform::SharedMemory raw;
    ASSERT_TRUE(raw.Open(name_, SharedRecord::kMappingSize));
    auto* count = reinterpret_cast<volatile std::int32_t*>(raw.data() + 4);
    const std::int32_t real = *count;
    *count = 1000000;

    record_.SetReleased(false);
    record_.SetReleaseRequest(true);
    viewer_->OnFrameMessage();
    ASSERT_TRUE(Probe().Ownership().HasYielded());
    // The longest wait, of (32 + 10) x 300 ms, is long over.
    now += 1min;
    viewer_->OnFrameMessage();
    EXPECT_FALSE(record_.IsReleaseRequested());
    *count = real;
    EXPECT_TRUE(FramesUntil([&] { return ShowsPicture(); }));
}

// Letting go joins the loader before the device section its passes wait for.
TEST_F(DeviceChanges, AHandOverDuringAProgressiveLoadEndsWithThePicture) {
    ASSERT_TRUE(lwf_testing::UseOpenJpegCodec());
    Hardware();
    LoopbackServer server;
    server.Serve("/tall.lwf", lwf_picture::HeldTallPicture());
    viewer_->AttachWindow(widget_);
    ASSERT_TRUE(Probe().Display()->HoldsHardware());
    viewer_->SetFilename(server.Url("/tall.lwf"));
    ASSERT_TRUE(PumpUntil([&] { return viewer_->GetAlbum().Loader().IsRunning(); }));
    Pump(20ms);

    record_.SetReleased(false);
    record_.SetReleaseRequest(true);
    viewer_->OnFrameMessage();
    EXPECT_TRUE(Probe().Ownership().HasYielded());
    EXPECT_TRUE(record_.IsReleased());
    EXPECT_FALSE(viewer_->GetAlbum().Loader().IsRunning());

    record_.SetReleaseRequest(false);
    viewer_->OnFrameMessage();
    EXPECT_FALSE(Probe().Ownership().HasYielded());
    ExpectLoadedAgainToTheEnd(server);
}

// A holder in a process of its own, run by the test below: it hears of no display change
// from the asker's process, so its frames alone let go and take back. It writes each step
// into the file the asker names. A suite whose name starts with "Child" is never listed as a
// test of its own (cmake/Testing.cmake).
class ChildHolder : public DeviceChanges {
protected:
    bool ManualPacing() const override { return false; }
    void SetUp() override {
        if (std::getenv("VANTELO_HOLDER_STATUS") == nullptr)
            GTEST_SKIP() << "run by HandOver, as its child";
        DeviceChanges::SetUp();
        // The asker's record, not one of this process's own.
        ::setenv("VANTELO_SHM_NAME", std::getenv("VANTELO_HOLDER_RECORD"), 1);
        record_.Unmap();
        ASSERT_TRUE(record_.Map());
    }
    void TearDown() override {
        if (std::getenv("VANTELO_HOLDER_STATUS") != nullptr) DeviceChanges::TearDown();
    }
    static void Note(const std::string& step) {
        std::ofstream(std::getenv("VANTELO_HOLDER_STATUS"), std::ios::app) << step << "\n";
    }
};

TEST_F(ChildHolder, LetsGoAndTakesBackFromItsFrames) {
    Hardware();
    viewer_->AttachWindow(widget_);
    viewer_->SetFilename(JpegFile("p.jpg", 200, 150, kPicture));
    ASSERT_TRUE(PumpUntil([&] { return ShowsPicture(); }));
    ASSERT_TRUE(Probe().Display()->HoldsHardware());
    Note("ready");
    ASSERT_TRUE(PumpUntil([&] { return Probe().Ownership().HasYielded(); }));
    Note("yielded");
    ASSERT_TRUE(PumpUntil([&] { return !Probe().Ownership().HasYielded(); }));
    ASSERT_TRUE(PumpUntil([&] { return ShowsPicture(); }));
    Note("shows");
}

// An asker in a process of its own, run by the test below: it goes full screen, so asking
// the test's viewer for the hardware, and stays there until the test writes "done".
class ChildAsker : public ChildHolder {
protected:
    static bool Told(const std::string& step) {
        std::ifstream in(std::getenv("VANTELO_HOLDER_STATUS"));
        for (std::string line; std::getline(in, line);) {
            if (line == step) return true;
        }
        return false;
    }
};

TEST_F(ChildAsker, GoesFullScreenUntilTold) {
    Hardware();
    viewer_->AttachWindow(widget_);
    ASSERT_NE(Probe().Display().get(), nullptr);
    Note("ready");
    ASSERT_TRUE(viewer_->EnterFullscreen());
    Note("full screen");
    ASSERT_TRUE(PumpUntil([&] { return Told("done"); }));
    viewer_->SetFullscreen(0);
    ASSERT_TRUE(PumpUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return viewer_->GetFullscreen() == 0;
    }));
}

class HandOver : public DeviceChanges {
protected:
    // The holder's steps so far.
    std::string Steps() const {
        std::ifstream in(status_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool StepsUntil(const std::string& step) {
        return PumpUntil([&] { return Steps().find(step) != std::string::npos; });
    }
    void Tell(const std::string& step) const {
        std::ofstream(status_, std::ios::app) << step << "\n";
    }
    // The holder, or another child fixture.
    pid_t SpawnHolder(const std::string& fixture = "ChildHolder") {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("VANTELO_PACING=", 0) == 0) continue;
            env.push_back(entry);
        }
        env.push_back("VANTELO_HOLDER_STATUS=" + status_);
        env.push_back("VANTELO_HOLDER_RECORD=" + name_);
        std::vector<char*> envp;
        for (auto& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string self = "/proc/self/exe";
        std::string filter = "--gtest_filter=" + fixture + ".*";
        char* argv[] = {self.data(), filter.data(), nullptr};
        pid_t pid = 0;
        if (::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) != 0)
            return 0;
        return pid;
    }

    std::string status_ = temp_.Path("holder.txt");
};

TEST_F(HandOver, AHolderInAnotherProcessLetsGoFromItsFramesAlone) {
    Hardware();
    const pid_t holder = SpawnHolder();
    ASSERT_GT(holder, 0);
    ASSERT_TRUE(StepsUntil("ready")) << Steps();
    viewer_->AttachWindow(widget_);
    ASSERT_FALSE(Probe().Display()->HoldsHardware());
    ASSERT_EQ(record_.RunningCount(), 2);
    std::vector<std::chrono::milliseconds> sleeps;
    viewer_->SetHardwareAskSleep([&](std::chrono::milliseconds ms) {
        sleeps.push_back(ms);
        std::this_thread::sleep_for(ms);
    });

    ASSERT_TRUE(viewer_->EnterFullscreen());
    // The holder let go before the asker's (2 + 10) waits of 300 ms ran out. How many it
    // took depends on how soon the holder's process gets to run its frames.
    EXPECT_LT(std::count(sleeps.begin(), sleeps.end(), 300ms), 12);
    EXPECT_TRUE(StepsUntil("yielded")) << Steps();
    EXPECT_TRUE(StepsUntil("shows")) << Steps();

    viewer_->SetFullscreen(0);
    ASSERT_TRUE(FramesUntil([&] { return viewer_->GetFullscreen() == 0; }));
    int status = -1;
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// The viewer that let go of the hardware to an asker in another process has no buffers to
// draw with; going full screen then, it must not stay blank.
TEST_F(HandOver, AViewerThatLetGoToAnotherProcessDrawsWhenItGoesFullScreen) {
    Hardware();
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    ASSERT_TRUE(Probe().Display()->HoldsHardware());
    const pid_t asker = SpawnHolder("ChildAsker");
    ASSERT_GT(asker, 0);
    ASSERT_TRUE(StepsUntil("ready")) << Steps();
    ASSERT_TRUE(FramesUntil([&] { return Probe().Ownership().HasYielded(); }));
    ASSERT_EQ(Probe().Display()->GetBackBuffer(), nullptr);
    viewer_->SetHardwareAskSleep([](std::chrono::milliseconds) {});

    // Made anew for the full-screen window, the display loads the picture again.
    ASSERT_TRUE(viewer_->EnterFullscreen());
    EXPECT_TRUE(FramesUntil([&] { return ShowsPicture(); }));
    EXPECT_EQ(Probe().Display()->GetSize(), Vector2<int>(640, 480));

    EXPECT_TRUE(StepsUntil("full screen")) << Steps();
    Tell("done");
    viewer_->SetFullscreen(0);
    ASSERT_TRUE(FramesUntil([&] { return viewer_->GetFullscreen() == 0; }));
    EXPECT_TRUE(FramesUntil([&] { return ShowsPicture(); }));
    int status = -1;
    ASSERT_EQ(::waitpid(asker, &status, 0), asker);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
