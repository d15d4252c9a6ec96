#include <atomic>
#include <thread>

#include <QThread>

#include <gtest/gtest.h>

#include "platform/window/MessageLoop.h"
#include "platform/window/TaskPost.h"
#include "platform/window/Window.h"
#include "platform/window/tests/WindowTestSupport.h"

namespace {

using namespace platform;
using window_test::HostWidget;
using window_test::PumpUntil;
using window_test::Recorder;

constexpr std::uint32_t kFrameMessage = WM_USER + 101;

TEST(WindowPosting, AnotherThreadsPostsArriveInOrder) {
    HostWidget host;
    auto window = Window::Attach(&host);
    Recorder recorder;
    window->AddHandler(recorder.Handler());

    constexpr int kCount = 2000;
    std::thread poster([&] {
        for (int i = 0; i < kCount; ++i) {
            window->Post(i % 2 == 0 ? kFrameMessage : WM_APP + 1, static_cast<WPARAM>(i), -i);
        }
    });
    poster.join();
    ASSERT_TRUE(PumpUntil([&] { return recorder.messages.size() == kCount; }));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(recorder.messages[i].wParam, static_cast<WPARAM>(i));
        ASSERT_EQ(recorder.messages[i].lParam, -i);
        ASSERT_EQ(recorder.messages[i].id, i % 2 == 0 ? kFrameMessage : WM_APP + 1);
    }
    EXPECT_EQ(window->PendingCount(kFrameMessage), 0);
    EXPECT_FALSE(window->Post(kMaxMessageId + 1));
}

TEST(WindowPosting, PendingCountsAndRemovePending) {
    HostWidget host;
    auto window = Window::Attach(&host);
    // The frame message asks whether a display change waits, as the viewer does, and
    // never counts itself.
    int waitingAtFrame = -1;
    int framesWaitingAtFrame = -1;
    std::vector<std::uint32_t> seen;
    window->AddHandler([&](const Message& m) {
        seen.push_back(m.id);
        if (m.id == kFrameMessage) {
            waitingAtFrame = window->PendingCount(WM_DISPLAYCHANGE);
            framesWaitingAtFrame = window->PendingCount(kFrameMessage);
        }
        return true;
    });

    window->Post(WM_DISPLAYCHANGE, 16);
    window->Post(WM_DISPLAYCHANGE, 32);
    window->Post(kFrameMessage);
    EXPECT_EQ(window->PendingCount(WM_DISPLAYCHANGE), 2);
    EXPECT_EQ(window->PendingCount(kFrameMessage), 1);
    window->RemovePending(WM_DISPLAYCHANGE);
    EXPECT_EQ(window->PendingCount(WM_DISPLAYCHANGE), 0);
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    window_test::Pump();
    EXPECT_EQ(seen, std::vector<std::uint32_t>{kFrameMessage});
    EXPECT_EQ(framesWaitingAtFrame, 0);
    EXPECT_EQ(waitingAtFrame, 0);

    window->Post(WM_DISPLAYCHANGE, 16);
    window->Post(kFrameMessage);
    seen.clear();
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(waitingAtFrame, 0);  // the display change came first and was handled

    // Queued posts of a released window are dropped with it.
    window->Post(kFrameMessage);
    window.reset();
    window_test::Pump();
    EXPECT_EQ(seen.size(), 2u);
}

TEST(WindowPosting, AHostPostingTheNumberDirectlyIsUnderstood) {
    HostWidget host;
    auto window = Window::Attach(&host);
    Recorder recorder;
    window->AddHandler(recorder.Handler());
    QApplication::postEvent(&host, new QEvent(static_cast<QEvent::Type>(QEvent::User + 1125)));
    ASSERT_TRUE(PumpUntil([&] { return !recorder.messages.empty(); }));
    EXPECT_EQ(recorder.messages[0].id, 1125u);
}

TEST(WindowPosting, AWidgetDeletedWhileAThreadPostsGetsNothingMore) {
    auto* host = new HostWidget;
    auto window = Window::Attach(host);
    std::atomic<int> delivered{0};
    std::atomic<bool> gone{false};
    int deliveredAfterDestroy = 0;
    window->AddHandler([&](const Message& m) {
        if (m.id == WM_DESTROY) {
            gone = true;
        } else if (gone) {
            ++deliveredAfterDestroy;
        } else {
            ++delivered;
        }
        return true;
    });
    std::atomic<bool> stop{false};
    std::atomic<int> posted{0};
    std::thread poster([&] {
        while (!stop) {
            window->Post(kFrameMessage);
            ++posted;
            std::this_thread::yield();
        }
    });
    ASSERT_TRUE(PumpUntil([&] { return delivered > 10; }));
    delete host;  // the host's business, with posts in flight
    EXPECT_TRUE(gone);
    const int postedAtDelete = posted;
    ASSERT_TRUE(PumpUntil([&] { return posted > postedAtDelete + 100; }));
    window_test::Pump();
    stop = true;
    poster.join();
    window_test::Pump();
    EXPECT_EQ(deliveredAfterDestroy, 0);
    EXPECT_FALSE(window->IsAlive());
    window.reset();
}

TEST(WindowPosting, TasksRunOnTheGuiThread) {
    testing_support::TestApplication();
    std::atomic<QThread*> ranOn{nullptr};
    std::thread worker([&] { PostTask([&] { ranOn = QThread::currentThread(); }); });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return ranOn != nullptr; }));
    EXPECT_EQ(ranOn.load(), QApplication::instance()->thread());

    // Posted from the GUI thread it still waits for the loop.
    bool ran = false;
    PostTask([&] { ran = true; });
    EXPECT_FALSE(ran);
    ASSERT_TRUE(PumpUntil([&] { return ran; }));
}

TEST(WindowMessageLoop, PeekModeIdlesAndQuitReturnsItsParameter) {
    HostWidget host;
    auto window = Window::Attach(&host);
    Recorder recorder;
    window->AddHandler(recorder.Handler());
    window->Post(WM_APP + 5);

    int idles = 0;
    const int result = MessageLoop(true, [&] {
        if (++idles == 3) PostQuitMessage(77);
        return true;
    });
    EXPECT_EQ(result, 77);
    EXPECT_EQ(idles, 3);
    EXPECT_EQ(recorder.Count(WM_APP + 5), 1);

    // Blocking mode sleeps until something arrives; a task posted from another thread ends
    // it. One pass without looping answers -1.
    std::thread worker([] { PostTask([] { PostQuitMessage(-9); }); });
    EXPECT_EQ(MessageLoop(false, nullptr), -9);
    worker.join();
    EXPECT_EQ(MessageLoop(true, nullptr, false), -1);
}

TEST(WindowMessageLoop, AWindowClosedInsideTheLoopIsDestroyedThere) {
    testing_support::TestApplication();
    auto window = Window::CreateTopLevel(Vector2<int>(40, 30), "loop");
    window->AddHandler([&](const Message& m) {
        if (m.id == WM_CLOSE) window->Destroy();
        if (m.id == WM_DESTROY) PostQuitMessage(5);
        return true;
    });
    window->Post(WM_CLOSE);
    EXPECT_EQ(MessageLoop(false, nullptr), 5);
    EXPECT_FALSE(window->IsAlive());
}

}  // namespace
