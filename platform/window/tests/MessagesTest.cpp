#include <memory>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "platform/gfx/RelativeMouse.h"
#include "platform/window/InputState.h"
#include "platform/window/Window.h"
#include "platform/window/tests/WindowTestSupport.h"

namespace {

using namespace platform;
using window_test::HostWidget;
using window_test::Recorder;

void SendMouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, buttons, modifiers);
    QApplication::sendEvent(&w, &event);
}

TEST(WindowMessages, KeysBecomeVirtualKeyCodesWithTheirRepeatCount) {
    HostWidget host;
    auto window = Window::Attach(&host);
    Recorder recorder;
    window->AddHandler(recorder.Handler());

    struct Case {
        int qtKey;
        int vk;
        int count;
        bool autoRepeat;
    };
    const Case cases[] = {
        {Qt::Key_Shift, VK_SHIFT, 1, false},
        {Qt::Key_Control, VK_CONTROL, 1, false},
        {Qt::Key_Alt, VK_MENU, 1, false},
        {Qt::Key_Left, VK_LEFT, 3, true},
        {Qt::Key_Up, VK_UP, 1, false},
        {Qt::Key_Right, VK_RIGHT, 1, false},
        {Qt::Key_Down, VK_DOWN, 15, true},
        {Qt::Key_Space, VK_SPACE, 1, false},
        {Qt::Key_Escape, VK_ESCAPE, 1, false},
        {Qt::Key_F, 'F', 1, false},
        {Qt::Key_Z, 'Z', 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vk);
        QKeyEvent event(QEvent::KeyPress, c.qtKey, Qt::NoModifier, QString(), c.autoRepeat,
                        static_cast<quint16>(c.count));
        QApplication::sendEvent(&host, &event);
        const Message* m = recorder.Last(WM_KEYDOWN);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->wParam, static_cast<WPARAM>(c.vk));
        EXPECT_EQ(m->lParam & 0xF, c.count);
        EXPECT_EQ((m->lParam >> 30) & 1, c.autoRepeat ? 1 : 0);
        recorder.messages.clear();
    }
    EXPECT_EQ(host.keys, 0);

    // Keys the system's windows never see go on to the widget.
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(&host, &f5);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(host.keys, 1);
}

TEST(WindowMessages, MouseMessagesCarryKeyFlagsAndTheClientPoint) {
    HostWidget host;
    auto window = Window::Attach(&host);
    Recorder recorder;
    window->AddHandler(recorder.Handler());

    SendMouse(host, QEvent::MouseButtonPress, {12, 34}, Qt::LeftButton, Qt::LeftButton,
              Qt::ShiftModifier);
    SendMouse(host, QEvent::MouseMove, {-5, 40}, Qt::NoButton, Qt::LeftButton);
    SendMouse(host, QEvent::MouseButtonRelease, {13, 35}, Qt::LeftButton, Qt::NoButton);
    SendMouse(host, QEvent::MouseButtonPress, {7, 8}, Qt::RightButton, Qt::RightButton,
              Qt::ControlModifier);
    SendMouse(host, QEvent::MouseButtonDblClick, {7, 8}, Qt::RightButton, Qt::RightButton);
    SendMouse(host, QEvent::MouseButtonRelease, {7, 8}, Qt::RightButton, Qt::NoButton);
    SendMouse(host, QEvent::MouseMove, {1, 2}, Qt::NoButton, Qt::NoButton);

    const std::vector<Message> expected = {
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MakeLParam(12, 34)},
        {WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(-5, 40)},
        {WM_LBUTTONUP, 0, MakeLParam(13, 35)},
        {WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, MakeLParam(7, 8)},
        {WM_RBUTTONDOWN, MK_RBUTTON, MakeLParam(7, 8)},
        {WM_RBUTTONUP, 0, MakeLParam(7, 8)},
        {WM_MOUSEMOVE, 0, MakeLParam(1, 2)},
    };
    ASSERT_EQ(recorder.messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(recorder.messages[i].id, expected[i].id);
        EXPECT_EQ(recorder.messages[i].wParam, expected[i].wParam);
        EXPECT_EQ(recorder.messages[i].lParam, expected[i].lParam);
    }
    EXPECT_EQ(XFromLParam(recorder.messages[1].lParam), -5);
    EXPECT_EQ(host.presses, 0);
}

TEST(WindowMessages, InputStateFollowsEventsAndTests) {
    HostWidget host;
    auto window = Window::Attach(&host);
    GetAsyncKeyState(VK_SHIFT);

    QKeyEvent press(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(&host, &press);
    EXPECT_EQ(static_cast<std::uint16_t>(GetAsyncKeyState(VK_SHIFT)), 0x8001u);
    EXPECT_EQ(static_cast<std::uint16_t>(GetAsyncKeyState(VK_SHIFT)), 0x8000u);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
    QApplication::sendEvent(&host, &release);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);

    SendMouse(host, QEvent::MouseButtonPress, {30, 40}, Qt::RightButton, Qt::RightButton);
    EXPECT_NE(GetAsyncKeyState(VK_RBUTTON) & 0x8000, 0);
    const QPoint global = host.mapToGlobal(QPoint(30, 40));
    EXPECT_EQ(GetCursorPos(), Vector2<int>(global.x(), global.y()));
    SendMouse(host, QEvent::MouseButtonRelease, {30, 40}, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(GetAsyncKeyState(VK_RBUTTON) & 0x8000, 0);

    SetAsyncKeyState('F', true);
    EXPECT_NE(GetAsyncKeyState('F') & 0x8000, 0);
    SetAsyncKeyState('F', false);
    SetCursorPos(Vector2<int>(-3, 7));
    EXPECT_EQ(GetCursorPos(), Vector2<int>(-3, 7));

    // Hidden below 0: two hides need two shows.
    EXPECT_EQ(ShowCursor(false), -1);
    EXPECT_EQ(ShowCursor(false), -2);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    EXPECT_EQ(ShowCursor(true), -1);
    EXPECT_EQ(ShowCursor(true), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    EXPECT_EQ(SetCapture(&host), nullptr);
    EXPECT_EQ(GetCapture(), &host);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);

    const Rect point{5, 6, 6, 7};
    ClipCursor(&point);
    EXPECT_EQ(GetClipCursor(), point);
    ClipCursor(nullptr);
    EXPECT_FALSE(GetClipCursor().has_value());
}

TEST(WindowMessages, DragsMoveTheRelativeMouse) {
    HostWidget host;
    auto window = Window::Attach(&host);
    std::unique_ptr<gfx::RelativeMouse> mouse;
    ASSERT_EQ(gfx::RelativeMouseCreate(0x0300, &mouse), gfx::DI_OK);
    mouse->SetBufferSize(32);
    mouse->Acquire();

    SendMouse(host, QEvent::MouseMove, {10, 10}, Qt::NoButton, Qt::NoButton);  // no drag
    SendMouse(host, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(host, QEvent::MouseMove, {14, 10}, Qt::NoButton, Qt::LeftButton);
    SendMouse(host, QEvent::MouseMove, {14, 3}, Qt::NoButton, Qt::LeftButton);
    SendMouse(host, QEvent::MouseButtonRelease, {14, 3}, Qt::LeftButton, Qt::NoButton);
    SendMouse(host, QEvent::MouseMove, {40, 40}, Qt::NoButton, Qt::NoButton);

    gfx::MouseRecord records[8];
    std::uint32_t count = 8;
    ASSERT_EQ(mouse->GetDeviceData(records, &count), gfx::DI_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(records[0].offset, gfx::DIMOFS_X);
    EXPECT_EQ(records[0].data, 4);
    EXPECT_EQ(records[1].offset, gfx::DIMOFS_Y);
    EXPECT_EQ(records[1].data, -7);
}

TEST(WindowMessages, FocusNamesTheWidgetGainingIt) {
    testing_support::TestApplication();
    QWidget top;
    top.resize(100, 100);
    auto* a = new QWidget(&top);
    auto* b = new QWidget(&top);
    top.show();
    QApplication::setActiveWindow(&top);
    ASSERT_TRUE(window_test::PumpUntil([&] { return top.isActiveWindow(); }));
    auto window = Window::Attach(a);
    Recorder recorder;
    window->AddHandler(recorder.Handler());

    SetFocus(a);
    EXPECT_EQ(GetFocus(), a);
    EXPECT_EQ(recorder.Count(WM_SETFOCUS), 1);
    EXPECT_EQ(SetFocus(b), a);
    const Message* kill = recorder.Last(WM_KILLFOCUS);
    ASSERT_NE(kill, nullptr);
    EXPECT_EQ(kill->wParam, reinterpret_cast<WPARAM>(b));
}

TEST(WindowMessages, TopLevelWindowSizeMoveCloseActivateAndDestroy) {
    testing_support::TestApplication();
    auto window = Window::CreateTopLevel(Vector2<int>(160, 90), "Vantelo - test");
    HWND widget = window->handle();
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->isVisible());
    EXPECT_EQ(window->GetClientRect(), (Rect{0, 0, 160, 90}));
    EXPECT_EQ(window->GetWindowRect(), (Rect{0, 0, 160, 90}));
    EXPECT_TRUE(widget->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(widget->windowFlags() & Qt::FramelessWindowHint);
    Recorder recorder;
    window->AddHandler(recorder.Handler());

    widget->resize(200, 100);
    const Message* size = recorder.Last(WM_SIZE);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->wParam, SIZE_RESTORED);
    EXPECT_EQ(size->lParam, MakeLParam(200, 100));
    widget->move(10, 20);
    ASSERT_NE(recorder.Last(WM_MOVE), nullptr);
    EXPECT_EQ(recorder.Last(WM_MOVE)->lParam, MakeLParam(10, 20));
    EXPECT_EQ(window->ClientToScreen(Vector2<int>(1, 2)), Vector2<int>(11, 22));

    // A handled WM_CLOSE keeps the window; one nobody handles closes it.
    EXPECT_FALSE(widget->close());
    EXPECT_TRUE(widget->isVisible());
    EXPECT_EQ(recorder.Count(WM_CLOSE), 1);

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(widget, &activate);
    ASSERT_NE(recorder.Last(WM_ACTIVATE), nullptr);
    EXPECT_EQ(recorder.Last(WM_ACTIVATE)->wParam, WA_ACTIVE);
    recorder.messages.clear();
    widget->showMinimized();
    window_test::Pump();
    ASSERT_GE(recorder.Count(WM_ACTIVATE), 1);
    const Message& minimised = recorder.messages[0];
    EXPECT_EQ(minimised.id, WM_ACTIVATE);
    EXPECT_EQ(LoWord(minimised.wParam), static_cast<int>(WA_INACTIVE));
    EXPECT_NE(HiWord(minimised.wParam), 0);

    // Destroy lets the current event finish; the handlers then hear WM_DESTROY with the
    // handle already gone.
    HWND seenDuringDestroy = widget;
    window->AddHandler([&](const Message& m) {
        if (m.id == WM_DESTROY) seenDuringDestroy = window->handle();
        return false;
    });
    EXPECT_TRUE(window->Destroy());
    ASSERT_TRUE(window_test::PumpUntil([&] { return !window->IsAlive(); }));
    EXPECT_EQ(recorder.Count(WM_DESTROY), 1);
    EXPECT_EQ(seenDuringDestroy, nullptr);
    EXPECT_FALSE(window->Post(WM_USER));
}

TEST(WindowMessages, HandlersChainNewestFirstAndLeaveNoTrace) {
    HostWidget host;
    host.setMouseTracking(false);
    auto first = Window::Attach(&host);
    auto second = Window::Attach(&host);
    Recorder a;
    Recorder b;
    b.handle = false;
    first->AddHandler(a.Handler());
    const int bId = second->AddHandler(b.Handler());
    EXPECT_TRUE(host.hasMouseTracking());

    // The newer install sees it first and passes it on.
    SendMouse(host, QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(b.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(a.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(host.presses, 0);

    // Releasing one leaves the other working.
    first.reset();
    SendMouse(host, QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(b.Count(WM_LBUTTONDOWN), 2);
    EXPECT_EQ(a.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(host.presses, 1);

    // A handler that removes itself hears no more, in the middle of a message too.
    int selfRemoving = 0;
    int id = 0;
    id = second->AddHandler([&](const Message&) {
        ++selfRemoving;
        second->RemoveHandler(id);
        return false;
    });
    second->RemoveHandler(bId);
    SendMouse(host, QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(host, QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(selfRemoving, 1);

    // Released, the widget is as it was: its own events, its own painting.
    second.reset();
    EXPECT_FALSE(host.hasMouseTracking());
    host.show();
    EXPECT_TRUE(window_test::PumpUntil([&] { return host.paints > 0; }));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&host, &key);
    EXPECT_EQ(host.keys, 1);
    EXPECT_EQ(host.presses, 3);
}

TEST(WindowMessages, ReleasingAWindowFromItsOwnHandlerIsSafe) {
    HostWidget host;
    auto window = Window::Attach(&host);
    int calls = 0;
    window->AddHandler([&](const Message&) {
        ++calls;
        window.reset();
        return true;
    });
    SendMouse(host, QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    window_test::Pump();
    SendMouse(host, QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(host.presses, 1);
}

}  // namespace
