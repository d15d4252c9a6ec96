#include <memory>
#include <string>

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/window/MessageLoop.h"
#include "testing/QtTestApp.h"
#include "viewer-plugin/display/AKOT_Window.h"

namespace {

struct KeyCase {
    const char* typed;
    char key;
    int found;
    const char* afterRemove;  // null: the buffer is empty
};

TEST(AKOT_Window, TheKeyBufferFindsAndRemovesTypedCharacters) {
    testing_support::TestApplication();
    QWidget widget;
    const KeyCase cases[] = {
        {"abcabc", 'b', 1, "cabc"},
        {"abc", 'c', 2, nullptr},
        {"abc", 'a', 0, "bc"},
        // Absent: 0, and nothing is removed.
        {"abc", 'z', 0, "abc"},
        {"", 'a', 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " " + c.key);
        AKOT_Window window(nullptr, &widget);
        for (const char* p = c.typed; *p != '\0'; ++p) window.AddKey(*p);
        EXPECT_EQ(window.FindKey(c.key), c.found);
        window.RemoveKey(c.key);
        if (c.afterRemove == nullptr) {
            EXPECT_EQ(window.GetKeyBuffer(), nullptr);
        } else {
            ASSERT_NE(window.GetKeyBuffer(), nullptr);
            EXPECT_STREQ(window.GetKeyBuffer(), c.afterRemove);
        }
        window.ClearKeyBuffer();
        EXPECT_EQ(window.GetKeyBuffer(), nullptr);
    }
}

TEST(AKOT_Window, HooksFlagAndTheWindowMap) {
    testing_support::TestApplication();
    QWidget widget;
    AKOT_Window window(nullptr, &widget);
    EXPECT_EQ(AKOT_Window::FromHandle(&widget), &window);
    EXPECT_EQ(window.GetFlag(), 1);
    window.SetFlag(0x102);
    EXPECT_EQ(window.GetFlag(), 2);  // a byte
    EXPECT_TRUE(window.OnIdle());
    EXPECT_TRUE(window.Flip());
    EXPECT_FALSE(window.OnMove(1, 2));
    EXPECT_EQ(window.ReleaseObjects(), 0);
    EXPECT_EQ(window.GetWidth(), 0);
}

// Idles until asked to close, then the close reaches the window as WM_CLOSE and a handler
// ends the loop.
class Closing : public AKOT_Window {
public:
    using AKOT_Window::AKOT_Window;
    bool OnIdle() override {
        if (++idles == 3) Close();
        return true;
    }
    int idles = 0;
};

TEST(AKOT_Window, TheLoopIdlesAndCloseArrivesAsAMessage) {
    testing_support::TestApplication();
    QWidget widget;
    widget.show();
    Closing window(nullptr, &widget);
    bool closed = false;
    window.window()->AddHandler([&](const platform::Message& m) {
        if (m.id != platform::WM_CLOSE) return false;
        closed = true;
        platform::PostQuitMessage(7);
        return true;
    });
    EXPECT_EQ(window.MessageLoop(true), 7);
    EXPECT_TRUE(closed);
    EXPECT_GE(window.idles, 3);
    EXPECT_TRUE(widget.isVisible());  // the handler kept it open
}

}  // namespace
