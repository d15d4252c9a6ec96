#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/lwf/testing/LwfTesting.h"
#include "platform/window/Desktop.h"
#include "testing/LoopbackServer.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/tests/LwfPicture.h"
#include "viewer-plugin/tests/ThreadCount.h"
#include "viewer-plugin/tests/ViewerTestSupport.h"

namespace {

using namespace std::chrono_literals;
using testing_support::HttpReply;
using testing_support::LoopbackServer;

// The viewer with its pacing thread, whose sleeps are written down (and kept short).
class Pacing : public viewer_test::ViewerTest {
protected:
    bool ManualPacing() const override { return false; }
    void SetUp() override {
        ViewerTest::SetUp();
        viewer_->SetPacingSleep([this](platform::WaitTime period) {
            {
                std::lock_guard lock(mutex_);
                sleeps_.push_back(period);
            }
            std::this_thread::sleep_for(1ms);
        });
    }
    std::vector<platform::WaitTime> Sleeps() {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }
    // Pumps until the pacing thread has asked for `period`, then until it has asked for
    // `count` sleeps after that one: a pass that chose its period before the change is over.
    bool SleepsAfter(platform::WaitTime period, std::size_t count) {
        if (!PumpUntil([&] {
                const auto sleeps = Sleeps();
                return !sleeps.empty() && sleeps.back() == period;
            })) {
            return false;
        }
        ClearSleeps();
        return PumpUntil([&] { return Sleeps().size() >= count; });
    }
    void ClearSleeps() {
        std::lock_guard lock(mutex_);
        sleeps_.clear();
    }
    // Frames the window thread has run, counted by the host's OnTime.
    int Frames() const { return host_.Count("OnTime"); }

    std::mutex mutex_;
    std::vector<platform::WaitTime> sleeps_;
};

TEST_F(Pacing, SleepsLongerWhileDownloading) {
    LoopbackServer server;
    const auto bytes = SolidJpeg(200, 150, 0x808080);
    HttpReply reply = HttpReply::Body(std::string(bytes.begin(), bytes.end()));
    reply.holdAfter = 100;
    server.Serve("/slow.jpg", std::move(reply));
    viewer_->AttachWindow(widget_);
    viewer_->SetFilename(server.Url("/slow.jpg"));
    ASSERT_TRUE(viewer_->IsLoading());
    ASSERT_TRUE(SleepsAfter(66ms, 3)) << Sleeps().size() << " sleeps while downloading";
    std::vector<platform::WaitTime> during = Sleeps();
    for (auto period : during) EXPECT_EQ(period, 66ms);
    EXPECT_TRUE(PumpUntil([&] { return Frames() > 2; })) << Frames() << " frames";

    server.Release();
    ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading(); }));
    ASSERT_TRUE(SleepsAfter(11ms, 3)) << Sleeps().size() << " sleeps after the download";
    const std::vector<platform::WaitTime> after = Sleeps();
    for (auto period : after) EXPECT_EQ(period, 11ms);
}

TEST_F(Pacing, ASlowFrameHoldsBackTheNextAndPausesNest) {
    viewer_->AttachWindow(widget_);
    ASSERT_TRUE(PumpUntil([&] { return Frames() >= 3; }));
    // The window thread is busy: the pacing thread posts one frame and waits for it.
    ClearSleeps();
    std::this_thread::sleep_for(150ms);
    EXPECT_LE(Sleeps().size(), 1u);
    EXPECT_LE(viewer_->GetWindow()->PendingCount(CVanteloPlugin::kFrameMessage), 1);
    Pump(50ms);

    viewer_->SuspendPacing();
    viewer_->SuspendPacing();
    viewer_->ResumePacing();
    EXPECT_EQ(Probe().PacingThread()->PauseCount(), 1);
    Pump(30ms);
    const int paused = Frames();
    Pump(80ms);
    EXPECT_EQ(Frames(), paused);
    viewer_->ResumePacing();
    ASSERT_TRUE(PumpUntil([&] { return Frames() > paused + 2; }));
}

TEST_F(Pacing, FramesWaitWhileTheDisplayChangesOrPacingIsSuspended) {
    viewer_->AttachWindow(widget_);
    viewer_->SuspendPacing();
    // A frame message queued before the pause, delivered by a modal loop.
    viewer_->GetWindow()->Post(CVanteloPlugin::kFrameMessage);
    Pump(30ms);
    EXPECT_EQ(Frames(), 0);
    viewer_->ResumePacing();
    ASSERT_TRUE(PumpUntil([&] { return Frames() > 0; }));

    viewer_->SuspendPacing();
    Pump(30ms);
    const int before = Frames();
    platform::SetDisplayBitsPerPixel(16);  // posts WM_DISPLAYCHANGE, not yet handled
    viewer_->OnFrameMessage();
    EXPECT_EQ(Frames(), before);
    Pump(30ms);
    // The change was handled meanwhile: the display has the new depth.
    ASSERT_NE(Probe().Display().get(), nullptr);
    EXPECT_EQ(Probe().Display()->GetBitsPerPixel(), 16);
    viewer_->OnFrameMessage();
    EXPECT_EQ(Frames(), before + 1);

    // So does another viewer's request that this one let go of the display.
    ASSERT_NE(Probe().Display().get(), nullptr);
    Probe().Display()->SetReleaseRequest(true);
    viewer_->OnFrameMessage();
    Probe().Display()->SetReleaseRequest(false);
    EXPECT_EQ(Frames(), before + 1);
    viewer_->OnFrameMessage();
    EXPECT_EQ(Frames(), before + 2);
    viewer_->ResumePacing();
}

TEST_F(Pacing, TeardownDuringAProgressiveLoadLeavesNoThread) {
    ASSERT_TRUE(lwf_testing::UseOpenJpegCodec());
    LoopbackServer server;
    server.Serve("/tall.lwf", lwf_picture::HeldTallPicture());
    const int withServer = thread_count::ThreadCount();
    viewer_->AttachWindow(widget_);
    viewer_->SetFilename(server.Url("/tall.lwf"));
    ASSERT_TRUE(PumpUntil([&] { return viewer_->GetAlbum().Loader().IsRunning(); }));
    Pump(20ms);
    viewer_->OnDestroyWindow();
    EXPECT_FALSE(viewer_->GetAlbum().Loader().IsRunning());
    EXPECT_EQ(Probe().Display().get(), nullptr);
    server.Release();
    // The server's connection thread ends on its own, once it has sent the rest.
    EXPECT_TRUE(PumpUntil([&] { return thread_count::ThreadCount() <= withServer; }))
        << thread_count::ThreadCount() << " threads, " << withServer << " with the server";
}

TEST_F(Pacing, AViewerGivenAWindowAgainAfterTeardownPacesItsFrames) {
    // As a control does when its container deactivates it and activates it again.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round > 0) {
            viewer_->OnDestroyWindow();
            widget_ = Child(0, 0, 400, 300);
        }
        viewer_->AttachWindow(widget_);
        const int before = Frames();
        EXPECT_TRUE(PumpUntil([&] { return Frames() >= before + 3; })) << Frames() - before;
    }
}

// The pacing thread posts through the viewer's hold on its window: a new window stops it
// before the hold changes, and it paces the new window's frames.
TEST_F(Pacing, AViewerMovedToAnotherWindowPacesThere) {
    viewer_->AttachWindow(widget_);
    ASSERT_TRUE(PumpUntil([&] { return Frames() >= 3; }));
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        QWidget* next = Child(0, 0, 400, 300);
        viewer_->AttachWindow(next);
        ASSERT_EQ(viewer_->GetWindow()->handle(), next);
        const int before = Frames();
        EXPECT_TRUE(PumpUntil([&] { return Frames() >= before + 2; })) << Frames() - before;
    }
}

TEST_F(Pacing, AResizedWindowShowsAFrameOfItsNewSize) {
    const auto bytes = SolidJpeg(200, 150, 0xC83C50);
    Load(temp_.Write("p.jpg", std::string(bytes.begin(), bytes.end())));
    Pump(50ms);
    widget_->resize(500, 360);
    ASSERT_TRUE(PumpUntil([&] { return Probe().Display()->GetSize() == Vector2<int>(500, 360); }));
    // A frame drawn at the new size, not one from before the resize.
    const int resized = Frames();
    ASSERT_TRUE(PumpUntil([&] { return Frames() >= resized + 2; })) << Frames() - resized;
    // At zoom 1 the picture keeps its 200 x 150 pixels: nothing is stretched.
    EXPECT_TRUE(viewer_test::Near(ShownAt(190, 140), 0xC83C50));
    EXPECT_EQ(ShownAt(215, 165), 0x141414u);
    EXPECT_EQ(ShownAt(480, 340), 0x141414u);
}

}  // namespace
