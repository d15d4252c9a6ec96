// The control's questions and boxes reach the prompts of the program that loaded it, as the
// studio's Qt prompts must reach the viewer pane's control.
#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <fstream>
#include <iterator>

#include "imaging/tests/JpegFixtures.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"
#include "viewer-control/tests/ControlTestSupport.h"

namespace {

using namespace platform;
using namespace control_test;
using testing_support::ScriptedPrompts;

constexpr std::uint32_t kPictureColour = 0x2060A0;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class HostPrompts : public ControlTest {
protected:
    // A right click with Shift in the control's window opens its menu; the item with this
    // text is chosen as a user would, with the keyboard.
    void ChooseFromMenu(QWidget* window, const QString& text) {
        bool chosen = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) return;
            for (QAction* action : menu->actions()) {
                if (action->text() != text) continue;
                menu->setActiveAction(action);
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QCoreApplication::sendEvent(menu, &enter);
                chosen = true;
                return;
            }
            menu->close();
        });
        const QPointF at(40, 40);
        QMouseEvent press(QEvent::MouseButtonPress, at, window->mapToGlobal(at), Qt::RightButton,
                          Qt::RightButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(window, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, window->mapToGlobal(at),
                            Qt::RightButton, Qt::NoButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(window, &release);
        EXPECT_TRUE(chosen) << text.toStdString();
    }

    ScriptedPrompts prompts_;
    testing_support::TempDir temp_;
};

TEST_F(HostPrompts, SaveViewAsksTheProgramsPromptsAndSaysWhenTheFileCannotBeWritten) {
    const auto bytes = jpeg_fixtures::Solid(800, 600, kPictureColour);
    const std::string picture =
        temp_.Write("shown.png.jpg", std::string(bytes.begin(), bytes.end()));
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    site->SetProperty(scripting::kDispFilename, Variant::Text(picture));
    ASSERT_TRUE(PumpUntil([&] { return Heard("OnLoad") > 0; }));
    Pump(std::chrono::milliseconds(200));

    const std::string saved = temp_.Path("view.jpg");
    prompts_.AnswerPath(saved);
    ChooseFromMenu(site->window(), "Save view");
    ASSERT_TRUE(PumpUntil([&] { return !prompts_.calls().empty(); }));
    ASSERT_EQ(prompts_.calls().size(), 1u);
    const ScriptedPrompts::Call& asked = prompts_.calls()[0];
    EXPECT_EQ(asked.kind, ScriptedPrompts::Kind::File);
    EXPECT_TRUE(asked.file.save);
    EXPECT_EQ(asked.file.initialPath, "shown.png.jpg");
    EXPECT_TRUE(asked.hasOwner);
    const std::string written = ReadFile(saved);
    ASSERT_FALSE(written.empty());
    const auto decoded = jpeg_fixtures::Decode(jpeg_fixtures::AsBytes(written));
    ASSERT_EQ(decoded.size(), 800u * 600u * 3u);
    const std::size_t centre = (300u * 800u + 400u) * 3u;
    EXPECT_NEAR(decoded[centre], 0x20, 8);
    EXPECT_NEAR(decoded[centre + 1], 0x60, 8);
    EXPECT_NEAR(decoded[centre + 2], 0xA0, 8);

    // A folder that is not there: the user hears of it, through the same prompts.
    const std::string nowhere = temp_.Path("no such folder/view.jpg");
    prompts_.AnswerPath(nowhere);
    ChooseFromMenu(site->window(), "Save view");
    ASSERT_TRUE(PumpUntil([&] { return prompts_.calls().size() >= 3; }));
    const ScriptedPrompts::Call& box = prompts_.calls()[2];
    EXPECT_EQ(box.kind, ScriptedPrompts::Kind::Message);
    EXPECT_EQ(box.caption, "Save view");
    EXPECT_EQ(box.text, "Failed to save view to " + nowhere);
    EXPECT_EQ(box.icon, MessageIcon::Error);
    EXPECT_TRUE(box.hasOwner);
    EXPECT_FALSE(std::ifstream(nowhere).good());
}

TEST_F(HostPrompts, TheProgramsPromptsAnswerTheControlsPrintDialog) {
    const auto bytes = jpeg_fixtures::Solid(200, 100, kPictureColour);
    const std::string picture = temp_.Write("p.jpg", std::string(bytes.begin(), bytes.end()));
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    site->SetProperty(scripting::kDispFilename, Variant::Text(picture));
    ASSERT_TRUE(PumpUntil([&] { return Heard("OnLoad") > 0; }));
    // No printer: the dialog fails and the control says why.
    prompts_.AnswerPrintCancel(5);
    ChooseFromMenu(site->window(), "Print");
    ASSERT_TRUE(PumpUntil([&] { return prompts_.calls().size() >= 2; }));
    EXPECT_EQ(prompts_.calls()[0].kind, ScriptedPrompts::Kind::Print);
    EXPECT_EQ(prompts_.calls()[1].caption, "Print error");
    EXPECT_EQ(prompts_.calls()[1].text, "Failed to open printer dialog (5)");
}

// Not about prompts, but about what the studio's info pane hears: keys move the view as the
// mouse does, and the container is told of every move.
TEST_F(HostPrompts, ArrowKeysReportTheMovedView) {
    const auto bytes = jpeg_fixtures::Solid(1600, 1200, kPictureColour);
    const std::string picture = temp_.Write("big.jpg", std::string(bytes.begin(), bytes.end()));
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    site->SetProperty(scripting::kDispFilename, Variant::Text(picture));
    ASSERT_TRUE(PumpUntil([&] { return Heard("OnLoad") > 0; }));
    Pump(std::chrono::milliseconds(100));
    heard_.clear();
    IOleInPlaceActiveObject* active = site->activeObject();
    ASSERT_NE(active, nullptr);
    const auto position = [&] {
        float x = 0, y = 0, z = 0;
        site->InvokeHelper(scripting::kDispGetPosition, DISPATCH_METHOD, NoResult{},
                           {Variant::R4Ref(&x), Variant::R4Ref(&y), Variant::R4Ref(&z)});
        return FormatC("ChangedPos(%g,%g,%g)", x, y, z);
    };
    // From the top-left corner some directions cannot move; the others do.
    int moves = 0;
    for (const std::uint32_t key : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP}) {
        SCOPED_TRACE(key);
        heard_.clear();
        const std::string before = position();
        const Message press{WM_KEYDOWN, key, 3};
        EXPECT_EQ(active->TranslateAccelerator(&press), S_OK);
        Pump(std::chrono::milliseconds(150));
        const std::string after = position();
        if (after == before) {
            EXPECT_TRUE(heard_.empty());
        } else {
            ++moves;
            EXPECT_EQ(heard_, (std::vector<std::string>{after}));
        }
    }
    EXPECT_GE(moves, 2);
}

}  // namespace
