#include <chrono>
#include <memory>
#include <tuple>

#include <gtest/gtest.h>

#include "testing/ScriptedPrompts.h"
#include "viewer-plugin/tests/DisplayTestSupport.h"

namespace {

using display_test::DisplayTest;

class DDWindowTest : public DisplayTest {};

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;

TEST_F(DDWindowTest, APaletteDisplayIsRefusedWithNothingMade) {
    platform::SetDisplayBitsPerPixel(8);
    auto window = Windowed(Child(10, 10, 40, 30));
    EXPECT_EQ(window->Create(DDWindow::kWindowedFlags, DDWindow::kWindowedPrimaryCaps,
                             DDWindow::kBackBufferCaps),
              static_cast<platform::HRESULT>(0x88760091u));
    EXPECT_EQ(SharedDirectDraw().dd, nullptr);
    EXPECT_EQ(SharedDirectDraw().primary, nullptr);
    EXPECT_EQ(window->GetBackBuffer(), nullptr);
    EXPECT_EQ(gfx::display::LiveObjects(), live_);
    EXPECT_FALSE(window->Flip());
    Close(window);
}

// One window counted in but not made yet must not be left pointing at an object the
// refused one made and dropped.
TEST_F(DDWindowTest, ARefusalWithAnotherWindowCountedInForgetsTheObject) {
    auto waiting = Windowed(Child(0, 0, 20, 20));
    platform::SetDisplayBitsPerPixel(8);
    auto refused = Windowed(Child(30, 0, 20, 20));
    EXPECT_EQ(refused->Create(0x408, 0x6200, 0x6040), static_cast<platform::HRESULT>(0x88760091u));
    EXPECT_EQ(SharedDirectDraw().dd, nullptr);
    platform::SetDisplayBitsPerPixel(32);
    EXPECT_EQ(waiting->Create(0x408, 0x6200, 0x6040), 0);
    Paint(*waiting, kGreen);
    EXPECT_TRUE(waiting->Flip());
    Close(refused);
    Close(waiting);
}

TEST_F(DDWindowTest, AnEmptyClientAreaPresentsNothing) {
    auto window = Windowed(Child(10, 10, 0, 0));
    EXPECT_EQ(window->Create(0x408, 0x6200, 0x6040), 0);
    EXPECT_FALSE(window->Flip());
    Close(window);
}

TEST_F(DDWindowTest, TwoWindowsShareThePrimaryAndEachShowsItsOwnFrame) {
    auto first = Windowed(Child(10, 20, 40, 30));
    auto second = Windowed(Child(100, 50, 60, 20));
    ASSERT_EQ(first->Create(0x408, 0x6200, 0x6040), 0);
    gfx::Surface* primary = SharedDirectDraw().primary;
    gfx::Clipper* clipper = SharedDirectDraw().clipper;
    ASSERT_EQ(second->Create(0x408, 0x6200, 0x6040), 0);
    EXPECT_EQ(SharedDirectDraw().primary, primary);
    EXPECT_EQ(SharedDirectDraw().clipper, clipper);
    EXPECT_EQ(second->GetGeneration(), first->GetGeneration());
    EXPECT_EQ(first->GetBackBuffer()->GetWidth(), 40);
    Rect screen;
    second->GetScreenRect(&screen);
    EXPECT_EQ(screen, (Rect{100, 50, 160, 70}));

    Paint(*first, kRed);
    Paint(*second, kBlue);
    EXPECT_TRUE(first->Flip());
    EXPECT_TRUE(second->Flip());
    EXPECT_EQ(Shown(*first, 0, 0), kRed);
    EXPECT_EQ(Shown(*first, 39, 29), kRed);
    EXPECT_EQ(Shown(*second, 59, 19), kBlue);

    // A new primary for both, then one goes: the other still shows its frames.
    first->Resize(Vector2<int>(40, 30), true);
    Paint(*first, kGreen);
    EXPECT_TRUE(first->Flip());
    EXPECT_EQ(Shown(*first, 5, 5), kGreen);
    Close(first);
    Paint(*second, kGreen);
    EXPECT_TRUE(second->Flip());
    EXPECT_EQ(Shown(*second, 0, 0), kGreen);
    Close(second);
}

TEST_F(DDWindowTest, ReleasingOneWindowTwiceLeavesTheOtherDrawing) {
    auto first = Windowed(Child(0, 0, 30, 30));
    auto second = Windowed(Child(40, 0, 30, 30));
    ASSERT_EQ(first->Create(0x408, 0x6200, 0x6040), 0);
    ASSERT_EQ(second->Create(0x408, 0x6200, 0x6040), 0);
    first->ReleaseDirectDraw();
    first->ReleaseDirectDraw();
    first->OnDestroy();
    EXPECT_EQ(SharedDirectDraw().windowCount, 1);
    ASSERT_NE(SharedDirectDraw().primary, nullptr);
    Paint(*second, kBlue);
    EXPECT_TRUE(second->Flip());
    EXPECT_EQ(Shown(*second, 10, 10), kBlue);
    first.reset();
    Close(second);
    EXPECT_EQ(SharedDirectDraw().dd, nullptr);
}

TEST_F(DDWindowTest, ANewerWindowOnTheSameHandleKeepsItsEntry) {
    QWidget* widget = Child(0, 0, 30, 30);
    auto older = Windowed(widget);
    auto newer = Windowed(widget);
    EXPECT_EQ(AKOT_Window::FromHandle(widget), newer.get());
    Close(older);
    EXPECT_EQ(AKOT_Window::FromHandle(widget), newer.get());
    Close(newer);
    EXPECT_EQ(AKOT_Window::FromHandle(widget), nullptr);
}

class FullScreenTest : public DDWindowTest {
protected:
    void SetUp() override {
        DDWindowTest::SetUp();
        screen_ = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        screen_->setGeometry(0, 0, 160, 120);
        screen_->show();
    }
    void TearDown() override {
        screen_.reset();
        DDWindowTest::TearDown();
    }
    std::unique_ptr<QWidget> screen_;
};

TEST_F(FullScreenTest, TheBackBufferFlipsOntoTheWindow) {
    auto window = Windowed(screen_.get());
    ASSERT_EQ(window->Create(0x813, 0x2200, 0x6040), 0);
    EXPECT_TRUE(Logged(0, "Attached back to front\n"));
    EXPECT_TRUE(window->IsFlipping());
    gfx::SurfaceDesc mode;
    SharedDirectDraw().dd->GetDisplayMode(&mode);
    EXPECT_EQ(mode.width, 160);
    Paint(*window, kRed);
    EXPECT_TRUE(window->Flip());
    EXPECT_EQ(Shown(*window, 159, 119), kRed);

    // Resized, the new back buffer is the one that flips.
    window->Resize(Vector2<int>(160, 120), false);
    EXPECT_TRUE(window->IsFlipping());
    Paint(*window, kGreen);
    EXPECT_TRUE(window->Flip());
    EXPECT_EQ(Shown(*window, 0, 0), kGreen);

    // Lost and not to be had back: the repeated flip fails too, and says so.
    gfx::display::LoseAllSurfaces();
    gfx::display::SetRestoreRefused(true);
    EXPECT_FALSE(window->Flip());
    EXPECT_TRUE(Logged(2, "Failed to flip\n"));
    gfx::display::SetRestoreRefused(false);
    gfx::display::LoseAllSurfaces();
    EXPECT_TRUE(window->Flip());
    Close(window);
    // Leaving gives the desktop its mode back.
    EXPECT_NE(gfx::display::CurrentMode().width, 160);
}

TEST_F(FullScreenTest, AFailedAttachmentPresentsByBlitting) {
    // No video memory left: the back buffer lands in system memory and cannot flip.
    gfx::display::SetVideoMemoryBudget(0);
    auto window = Windowed(screen_.get());
    ASSERT_EQ(window->Create(0x813, 0x2200, 0x6040), 0);
    EXPECT_FALSE(window->GetBackBuffer()->IsVideoMemory());
    EXPECT_TRUE(Logged(1, "Failed to attach surfaces 8876f008\n"));
    EXPECT_FALSE(window->IsFlipping());
    Paint(*window, kBlue);
    EXPECT_TRUE(window->Flip());
    EXPECT_EQ(Shown(*window, 80, 60), kBlue);
    Close(window);
}

TEST_F(DDWindowTest, ThePrimaryIsTriedThreeTimesWithAPause) {
    gfx::display::FailSurfaceCreations(2, platform::E_FAIL);
    auto window = Windowed(Child(0, 0, 30, 30));
    ASSERT_EQ(window->Create(0x408, 0x6200, 0x6040), 0);
    EXPECT_EQ(sleeps_, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(2000)}));
    EXPECT_TRUE(Logged(2, "There is an undefined error condition. \n"));
    Close(window);
}

TEST_F(DDWindowTest, TheOldInterfaceWhenForcedOrWhenTheNewOneIsRefused) {
    for (const bool forced : {true, false}) {
        SCOPED_TRACE(forced ? "forced" : "refused");
        DDWindow::SetForceDX3(forced);
        gfx::display::SetNewInterfaceRefused(!forced);
        // One try at the primary, with no pause.
        gfx::display::FailSurfaceCreations(1, platform::E_FAIL);
        auto window = Windowed(Child(0, 0, 30, 30));
        EXPECT_EQ(window->Create(0x408, 0x6200, 0x6040), platform::E_FAIL);
        EXPECT_TRUE(sleeps_.empty());
        EXPECT_TRUE(SharedDirectDraw().dx3Mode);
        EXPECT_EQ(SharedDirectDraw().dd4, nullptr);
        ASSERT_EQ(window->Create(0x408, 0x6200, 0x6040), 0);
        EXPECT_EQ(SharedDirectDraw().dd->CooperativeLevel(), 8u);
        gfx::SurfaceDesc desc;
        SharedDirectDraw().primary->GetSurfaceDesc(&desc);
        EXPECT_EQ(desc.caps & ~gfx::DDSCAPS_VIDEOMEMORY, 0x200u);
        EXPECT_TRUE(window->GetBackBuffer()->IsDX3());
        Paint(*window, kGreen);
        EXPECT_TRUE(window->Flip());
        Close(window);
        EXPECT_FALSE(SharedDirectDraw().dx3Mode);
    }
}

TEST_F(DDWindowTest, ACooperativeLevelRefusedOnTheOldInterfaceShowsABox) {
    testing_support::ScriptedPrompts prompts;
    DDWindow::SetForceDX3(true);
    // Full-screen use needs a window.
    auto window = Windowed(nullptr);
    EXPECT_EQ(window->Create(0x813, 0x2200, 0x6040), platform::E_INVALIDARG);
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "SetCooperativeLevel");
    EXPECT_EQ(prompts.calls()[0].caption, "FAILED");
    EXPECT_TRUE(Logged(2, "One or more of the arguments are not valid. \n"));
    Close(window);
}

TEST_F(DDWindowTest, TheModeListSkipsShallowModesAndRewinds) {
    gfx::display::SetModes({
        {640, 480, gfx::DisplayFormat(8)},
        {640, 480, gfx::RgbFormat(15, 0x7C00, 0x03E0, 0x001F)},
        {800, 600, gfx::Format565()},
        {1024, 768, gfx::RgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)},
        {1024, 768, gfx::FormatX888()},
    });
    auto window = Windowed(Child(0, 0, 30, 30));
    ASSERT_EQ(window->Create(0x408, 0x6200, 0x6040), 0);
    int w = 0;
    int h = 0;
    int bits = 0;
    EXPECT_TRUE(window->GetDisplayModes(&w, &h, &bits));
    EXPECT_EQ(std::tuple(w, h, bits), std::tuple(800, 600, 16));
    EXPECT_FALSE(window->GetDisplayModes(&w, &h, &bits));
    EXPECT_EQ(std::tuple(w, h, bits), std::tuple(1024, 768, 32));
    EXPECT_EQ(Count("Enum mode callback: Rejected\n"), 1);
    EXPECT_FALSE(window->GetDisplayModes(&w, &h, &bits));
    EXPECT_FALSE(window->GetDisplayModes(nullptr, nullptr, nullptr));
    EXPECT_TRUE(window->GetDisplayModes(&w, &h, &bits));
    EXPECT_EQ(w, 800);
    EXPECT_EQ(Count("Enum mode callback: Rejected\n"), 1);
    Close(window);
}

TEST_F(DDWindowTest, ReleaseAllLetsGoOfEverySharedObject) {
    auto first = Windowed(Child(0, 0, 30, 30));
    auto second = Windowed(Child(40, 0, 30, 30));
    ASSERT_EQ(first->Create(0x408, 0x6200, 0x6040), 0);
    ASSERT_EQ(second->Create(0x408, 0x6200, 0x6040), 0);
    first->ReleaseAll();
    EXPECT_EQ(SharedDirectDraw().primary, nullptr);
    EXPECT_FALSE(second->Flip());
    // Only the back buffers are left, and they go with their windows.
    Close(first);
    Close(second);
    EXPECT_EQ(gfx::display::LiveObjects(), live_);
}

TEST_F(DDWindowTest, ErrorTexts) {
    EXPECT_EQ(DDWindow::ErrorText(0), "The request completed successfully. \n");
    EXPECT_EQ(DDWindow::ErrorText(platform::E_FAIL), "There is an undefined error condition. \n");
    EXPECT_EQ(DDWindow::ErrorText(0x12345678), "Unknown DD Error.\n");
    for (platform::HRESULT code : {gfx::DDERR_SURFACELOST, gfx::DDERR_INVALIDPIXELFORMAT,
                                   gfx::DDERR_INVALIDRECT, gfx::DDERR_NOCOLORKEY}) {
        const std::string text = DDWindow::ErrorText(code);
        EXPECT_NE(text, "Unknown DD Error.\n");
        EXPECT_EQ(text.substr(text.size() - 2), " \n");
    }
}

}  // namespace
