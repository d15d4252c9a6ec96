#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QWidget>

#include "platform/gfx/DisplaySettings.h"
#include "platform/gfx/VirtualDisplay.h"
#include "platform/registry/Registry.h"
#include "platform/window/Desktop.h"
#include "platform/window/InputState.h"
#include "testing/ScriptedPrompts.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/services/AboutText.h"
#include "viewer-plugin/services/ViewerOptions.h"
#include "viewer-plugin/tests/ViewerTestSupport.h"
#include "viewer-plugin/viewer/FullScreen.h"

namespace {

using namespace std::chrono_literals;
using platform::Message;
using platform::PromptAnswer;

constexpr std::uint32_t kPicture = 0x3C78C8;

// Windows of the full-screen class still on the screen.
int FullScreenWidgets() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        count += widget->objectName() == QLatin1String(FullScreen::kClassName) ? 1 : 0;
    }
    return count;
}

class Fullscreen : public viewer_test::ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        SetOptions({});
    }
    void TearDown() override {
        SetOptions({});
        ViewerTest::TearDown();
        EXPECT_EQ(FullScreen::Current(), nullptr);
        EXPECT_EQ(FullScreenWidgets(), 0);
    }

    // Outside a running loop Qt keeps deferred deletions until asked, and the full-screen
    // window ends by one.
    static bool PumpUntil(const std::function<bool()>& done) {
        return ViewerTest::PumpUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return done();
        });
    }

    static ViewerOptions CurrentOptions() {
        platform::SectionHold hold(OptionsSection());
        return Options();
    }
    static void SetOptions(const ViewerOptions& options) {
        platform::SectionHold hold(OptionsSection());
        Options() = options;
    }

    void LoadPicture() { Load(JpegFile("view.jpg", 200, 150, kPicture)); }

    // Ends full screen the way a script does, and lets the window go.
    void Leave() {
        viewer_->SetFullscreen(0);
        ASSERT_TRUE(PumpUntil([&] { return viewer_->GetFullscreen() == 0; }));
        ASSERT_TRUE(WindowsGone());
    }
    // The full-screen windows go by deferred deletions, which take a few rounds of events.
    static testing::AssertionResult WindowsGone() {
        if (PumpUntil([] { return FullScreenWidgets() == 0; })) return testing::AssertionSuccess();
        return testing::AssertionFailure() << FullScreenWidgets() << " full-screen windows left";
    }

    bool Send(std::uint32_t id, platform::WPARAM wParam = 0, platform::LPARAM lParam = 0) {
        FullScreen* window = viewer_->GetFullScreenWindow();
        return window != nullptr && window->window()->Send(Message{id, wParam, lParam});
    }

    const platform::MenuItem* Item(std::uint32_t id) { return viewer_->GetMenu().FindCommand(id); }

    testing_support::ScriptedPrompts prompts_;
};

TEST_F(Fullscreen, TheAllowOptionRefusesAsksOrGoesSilently) {
    LoadPicture();
    struct Case {
        int allow;
        std::optional<PromptAnswer> answer;
        bool entered;
    };
    const Case cases[] = {
        {0, std::nullopt, false},
        {1, PromptAnswer::No, false},
        {1, PromptAnswer::Yes, true},
        {2, std::nullopt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.allow);
        SetOptions({c.allow, 1, 640, 480});
        const std::size_t asked = prompts_.calls().size();
        if (c.answer) prompts_.Answer(*c.answer);
        EXPECT_EQ(viewer_->EnterFullscreen(), c.entered);
        EXPECT_EQ(viewer_->GetFullscreen(), c.entered ? 1 : 0);
        ASSERT_EQ(prompts_.calls().size(), asked + (c.answer ? 1 : 0));
        if (c.answer) {
            const auto& call = prompts_.calls().back();
            EXPECT_EQ(call.text,
                      "Vantelo is requesting fullscreen mode!\n"
                      "(Get rid of this message from the options menu)\n"
                      "\nAllow fullscreen?\n");
            EXPECT_EQ(call.caption, "Vantelo - " + HomePage());
            EXPECT_EQ(call.buttons, platform::MessageButtons::YesNo);
        }
        if (c.entered) Leave();
    }
    EXPECT_EQ(prompts_.unanswered(), 0);
}

TEST_F(Fullscreen, EntersAtTheChosenSizeAndComesBackToThePage) {
    LoadPicture();
    const Vector2<int> desktop = platform::GetDesktopRect().GetSize();
    struct Case {
        int desktop;
        Vector2<int> expected;
    };
    for (const Case& c : {Case{0, {640, 480}}, Case{1, desktop}}) {
        SCOPED_TRACE(c.desktop);
        SetOptions({2, c.desktop, 640, 480});
        host_.events.clear();
        ASSERT_TRUE(viewer_->EnterFullscreen());
        FullScreen* window = viewer_->GetFullScreenWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->handle()->size(), QSize(c.expected.x, c.expected.y));
        EXPECT_EQ(window->handle()->windowTitle().toStdString(), "Vantelo - " + HomePage());
        EXPECT_EQ(Probe().Display()->GetSize(), c.expected);
        // Only the virtual display changes its mode, never the screen.
        EXPECT_EQ(gfx::display::CurrentMode().width, c.expected.x);
        EXPECT_EQ(platform::GetDesktopRect().GetSize(), desktop);
        EXPECT_EQ(Item(CVanteloPlugin::kIdFullscreen)->text, "Close fullscreen");
        EXPECT_TRUE(Item(CVanteloPlugin::kIdUpgrade)->grayed);
        EXPECT_TRUE(Item(CVanteloPlugin::kIdOptions)->grayed);
        viewer_->OnFrameMessage();
        EXPECT_TRUE(viewer_test::Near(
            Shown(*Probe().Display().get(), c.expected.x / 2, c.expected.y / 2), kPicture));
        Leave();
        EXPECT_EQ(Probe().Display()->GetSize(), Vector2<int>(400, 300));
        EXPECT_EQ(gfx::display::CurrentMode().width, desktop.x);
        EXPECT_EQ(Item(CVanteloPlugin::kIdFullscreen)->text, "Fullscreen");
        EXPECT_FALSE(Item(CVanteloPlugin::kIdUpgrade)->grayed);
        EXPECT_FALSE(Item(CVanteloPlugin::kIdOptions)->grayed);
        const auto heard = host_.Heard();
        const std::string in =
            platform::FormatC("OnChangeMode(1,%d,%d)", c.expected.x, c.expected.y);
        const auto at = std::find(heard.begin(), heard.end(), in);
        ASSERT_NE(at, heard.end());
        EXPECT_NE(std::find(at, heard.end(), "OnChangeMode(0,400,300)"), heard.end());
        viewer_->OnFrameMessage();
        EXPECT_TRUE(viewer_test::Near(ShownAt(200, 150), kPicture));
    }
}

TEST_F(Fullscreen, ArrowsPanWhileOtherKeysLeave) {
    LoadPicture();
    ASSERT_TRUE(viewer_->EnterFullscreen());
    EXPECT_TRUE(Send(platform::WM_COMMAND, CVanteloPlugin::kIdZoom200));
    float x0 = 0, y0 = 0, z0 = 0;
    viewer_->GetPosition(&x0, &y0, &z0);
    EXPECT_FLOAT_EQ(z0, 2.0f);
    EXPECT_TRUE(Send(platform::WM_KEYDOWN, platform::VK_LEFT, 1));
    EXPECT_TRUE(Send(platform::WM_KEYDOWN, platform::VK_SHIFT, 1));
    float x1 = 0, y1 = 0, z1 = 0;
    viewer_->GetPosition(&x1, &y1, &z1);
    EXPECT_NE(x1, x0);
    EXPECT_EQ(viewer_->GetFullscreen(), 1);
    for (int key : {platform::VK_SPACE, platform::VK_ESCAPE}) {
        SCOPED_TRACE(key);
        if (viewer_->GetFullscreen() == 0) {
            ASSERT_TRUE(viewer_->EnterFullscreen());
        }
        EXPECT_TRUE(Send(platform::WM_KEYDOWN, static_cast<platform::WPARAM>(key), 1));
        ASSERT_TRUE(PumpUntil([&] { return viewer_->GetFullscreen() == 0; }));
        EXPECT_TRUE(WindowsGone());
    }
}

TEST_F(Fullscreen, EveryWayOfEndingLeavesNoWindow) {
    LoadPicture();
    const std::vector<std::pair<const char*, std::function<void()>>> endings = {
        {"menu", [&] { Send(platform::WM_COMMAND, CVanteloPlugin::kIdFullscreen); }},
        {"script", [&] { viewer_->SetFullscreen(0); }},
        {"close", [&] { viewer_->GetFullScreenWindow()->handle()->close(); }},
        {"minimised", [&] { Send(platform::WM_ACTIVATE, platform::MakeWParam(0, 1)); }},
        {"teardown", [&] { viewer_->OnDestroyWindow(); }},
        {"viewer deleted", [&] { viewer_.reset(); }},
    };
    for (const auto& [name, end] : endings) {
        SCOPED_TRACE(name);
        if (!viewer_) {
            viewer_ = std::make_unique<CVanteloPlugin>();
            viewer_->SetHostInterface(&host_);
        }
        if (viewer_->GetWindow() == nullptr) LoadPicture();
        ASSERT_TRUE(viewer_->EnterFullscreen());
        EXPECT_EQ(FullScreenWidgets(), 1);
        end();
        ASSERT_TRUE(PumpUntil([&] { return FullScreen::Current() == nullptr; }));
        EXPECT_TRUE(WindowsGone());
        if (viewer_) {
            EXPECT_EQ(viewer_->GetFullscreen(), 0);
        }
    }
}

// Prompts whose message box runs a step of the page's while it is open, then says Yes.
class PromptsRunningWhileOpen final : public platform::Prompts {
public:
    explicit PromptsRunningWhileOpen(std::function<void()> whileOpen)
        : whileOpen_(std::move(whileOpen)), previous_(platform::SetPrompts(this)) {}
    ~PromptsRunningWhileOpen() override { platform::SetPrompts(previous_); }
    PromptAnswer MessageBox(QWidget*, std::string_view, std::string_view, platform::MessageButtons,
                            platform::MessageIcon, std::optional<PromptAnswer>) override {
        whileOpen_();
        return PromptAnswer::Yes;
    }
    std::optional<std::string> BrowseForFolder(QWidget*, std::string_view,
                                               std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> FileDialog(QWidget*, const platform::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::uint32_t> ChooseColor(QWidget*, std::uint32_t) override {
        return std::nullopt;
    }

private:
    std::function<void()> whileOpen_;
    platform::Prompts* previous_;
};

TEST_F(Fullscreen, WhatThePageDidWhileAskingKeepsTheViewerOnThePage) {
    LoadPicture();
    CVanteloPlugin other;
    other.AttachWindow(Child(0, 0, 300, 200));
    const std::vector<std::pair<const char*, std::function<void()>>> meanwhile = {
        {"window gone", [&] { viewer_->OnDestroyWindow(); }},
        {"another viewer in full screen",
         [&] {
             SetOptions({2, 1, 640, 480});
             EXPECT_TRUE(other.EnterFullscreen());
         }},
    };
    for (const auto& entry : meanwhile) {
        SCOPED_TRACE(entry.first);
        const auto& step = entry.second;
        if (viewer_->GetWindow() == nullptr) LoadPicture();
        SetOptions({1, 1, 640, 480});
        {
            bool once = true;
            PromptsRunningWhileOpen prompts([&] {
                if (std::exchange(once, false)) step();
            });
            EXPECT_FALSE(viewer_->EnterFullscreen());
        }
        EXPECT_EQ(viewer_->GetFullscreen(), 0);
        EXPECT_EQ(FullScreenWidgets(), other.GetFullscreen());
        if (other.GetFullscreen() != 0) {
            other.SetFullscreen(0);
            ASSERT_TRUE(PumpUntil([&] { return other.GetFullscreen() == 0; }));
            ASSERT_TRUE(WindowsGone());
        }
    }
    other.OnDestroyWindow();
}

TEST_F(Fullscreen, WaitsBoundedlyForASilentHolderOfTheHardware) {
    LoadPicture();
    // Two more viewers, and someone (not one of them) holding the hardware who never lets go.
    std::vector<std::unique_ptr<CVanteloPlugin>> others;
    for (int i = 0; i < 2; ++i) {
        others.push_back(std::make_unique<CVanteloPlugin>());
        others.back()->AttachWindow(Child(0, 0, 100, 80));
    }
    ASSERT_EQ(Probe().Display()->GetRunningCount(), 3);
    ASSERT_TRUE(record_.TryClaimHardware());
    std::vector<std::chrono::milliseconds> sleeps;
    viewer_->SetHardwareAskSleep([&](std::chrono::milliseconds ms) { sleeps.push_back(ms); });
    for (int desktop : {0, 1}) {
        SCOPED_TRACE(desktop);
        sleeps.clear();
        SetOptions({2, desktop, 640, 480});
        ASSERT_TRUE(viewer_->EnterFullscreen());
        const auto full = std::count(sleeps.begin(), sleeps.end(), 300ms);
        EXPECT_EQ(full, desktop != 0 ? 0 : 13);
        EXPECT_FALSE(record_.IsReleaseRequested());
        Leave();
    }
    record_.ClearHardwareClaim();
    for (auto& other : others) other->OnDestroyWindow();
}

TEST_F(Fullscreen, OptionsSurviveTheRegistryAndMissingKeysMeanSilentDesktop) {
    platform::RegKey software;
    ASSERT_EQ(platform::RegKey::Create(platform::Registry::Default(),
                                       platform::RegHive::CurrentUser, "Software", "", software),
              platform::RegResult::Ok);
    software.DeleteTree("Vantelo");
    SetOptions({0, 0, 1, 1});
    LoadOptions();
    EXPECT_EQ(CurrentOptions(), ViewerOptions{});
    LoadPicture();
    ASSERT_TRUE(viewer_->EnterFullscreen());
    EXPECT_TRUE(prompts_.calls().empty());
    EXPECT_EQ(Probe().Display()->GetSize(), platform::GetDesktopRect().GetSize());
    Leave();

    SetOptions({1, 0, 800, 600});
    SaveOptions();
    SetOptions({});
    LoadOptions();
    EXPECT_EQ(CurrentOptions(), (ViewerOptions{1, 0, 800, 600}));
    // DX3 is only ever read.
    platform::RegKey debug;
    EXPECT_NE(software.OpenSubKey("Vantelo\\Debug", debug), platform::RegResult::Ok);
}

TEST_F(Fullscreen, TheDebugKeyForcesTheOldInterfaceWhoseModesSwitchBySettings) {
    platform::RegKey debug;
    ASSERT_EQ(
        platform::RegKey::Create(platform::Registry::Default(), platform::RegHive::CurrentUser,
                                 "Software\\Vantelo\\Debug", "", debug),
        platform::RegResult::Ok);
    ASSERT_EQ(debug.SetDword("DX3", 1), platform::RegResult::Ok);
    LoadOptions();
    EXPECT_TRUE(DDWindow::IsForceDX3());
    LoadPicture();
    D3DWindow* display = Probe().Display().get();
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetDevice(), nullptr);
    EXPECT_NE(display->GetDeviceDX3(), nullptr);
    const std::string text = AdvancedText(viewer_->Report());
    EXPECT_NE(text.find("TESTING - using dx3\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Using DirectX6 or later"), std::string::npos);
    viewer_->OnFrameMessage();
    EXPECT_TRUE(viewer_test::Near(ShownAt(100, 75), kPicture));

    SetOptions({2, 0, 640, 480});
    gfx::ClearDisplaySettingsCalls();
    ASSERT_TRUE(viewer_->EnterFullscreen());
    EXPECT_EQ(gfx::display::CurrentMode().width, 640);
    // The old interface keeps no device across the switch: the picture comes back by a
    // reload, placed as a load places it (no Fit mode is set: at its own size, top left).
    EXPECT_TRUE(PumpUntil([&] {
        viewer_->OnFrameMessage();
        return viewer_test::Near(ShownAt(100, 75), kPicture);
    }));
    Leave();
    const auto calls = gfx::DisplaySettingsCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_FALSE(calls[0].restore);
    EXPECT_EQ(calls[0].mode.width, 640);
    EXPECT_EQ(calls[0].mode.height, 480);
    EXPECT_EQ(calls[0].mode.bitsPerPixel, 32);
    EXPECT_EQ(calls[0].fields, gfx::DM_BITSPERPEL | gfx::DM_PELSWIDTH | gfx::DM_PELSHEIGHT);
    EXPECT_EQ(calls[0].flags, 0u);
    EXPECT_TRUE(calls[1].restore);
    EXPECT_EQ(gfx::display::CurrentMode().width, platform::GetDesktopRect().GetSize().x);
    EXPECT_TRUE(PumpUntil([&] {
        viewer_->OnFrameMessage();
        return viewer_test::Near(ShownAt(100, 75), kPicture);
    }));

    platform::RegKey vantelo;
    ASSERT_EQ(platform::RegKey::Open(platform::Registry::Default(), platform::RegHive::CurrentUser,
                                     "Software\\Vantelo", vantelo),
              platform::RegResult::Ok);
    vantelo.DeleteTree("Debug");
}

TEST_F(Fullscreen, ModesSwitchThroughDirectDrawOnceTheRenderTargetWasResized) {
    LoadPicture();
    SetOptions({2, 0, 640, 480});
    // Full screen before any resize of the render target sets the process-wide flag.
    ASSERT_TRUE(viewer_->EnterFullscreen());
    EXPECT_EQ(gfx::DisplaySettingsCalls().size(), 1u);
    Leave();
    EXPECT_TRUE(DDWindow::IsModeSwitchBySettings());
    // Without it, and after a resize, DirectDraw switches the mode and nothing is logged.
    DDWindow::SetModeSwitchBySettings(false);
    gfx::ClearDisplaySettingsCalls();
    ASSERT_TRUE(viewer_->EnterFullscreen());
    EXPECT_EQ(gfx::display::CurrentMode().width, 640);
    Leave();
    EXPECT_TRUE(gfx::DisplaySettingsCalls().empty());
    EXPECT_FALSE(DDWindow::IsModeSwitchBySettings());
}

TEST_F(Fullscreen, TheOptionsDialogTakesAskAtOnceAndSavesItOnClose) {
    LoadPicture();
    SetOptions({2, 1, 640, 480});
    int seenDuring = -1;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QString("About Vantelo"));
        dialog->findChild<QTabBar*>("206")->setCurrentIndex(1);
        dialog->findChild<QRadioButton*>("210")->click();
        seenDuring = CurrentOptions().allow;
        dialog->findChild<QPushButton*>("1")->click();
    });
    viewer_->OnCommand(CVanteloPlugin::kIdOptions);
    EXPECT_EQ(seenDuring, 1);
    platform::RegKey fullscreen;
    ASSERT_EQ(platform::RegKey::Open(platform::Registry::Default(), platform::RegHive::CurrentUser,
                                     "Software\\Vantelo\\Fullscreen", fullscreen),
              platform::RegResult::Ok);
    EXPECT_EQ(fullscreen.GetDword("Allow"), 1u);
    EXPECT_EQ(fullscreen.GetDword("Desktop"), 1u);
}

}  // namespace
