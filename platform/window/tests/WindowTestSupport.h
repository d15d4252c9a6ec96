#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include <QApplication>
#include <QWidget>

#include "platform/window/Window.h"
#include "testing/QtTestApp.h"

namespace window_test {

// Handles events until `done` holds; false if it never did within a generous while.
inline bool PumpUntil(const std::function<bool()>& done) {
    testing_support::TestApplication();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        // Outside a running loop Qt keeps deferred deletions until asked.
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

inline void Pump() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A handler that keeps every message and answers as told.
struct Recorder {
    std::vector<platform::Message> messages;
    bool handle = true;

    platform::Window::Handler Handler() {
        return [this](const platform::Message& m) {
            messages.push_back(m);
            return handle;
        };
    }
    int Count(std::uint32_t id) const {
        int n = 0;
        for (const auto& m : messages) n += m.id == id ? 1 : 0;
        return n;
    }
    const platform::Message* Last(std::uint32_t id) const {
        for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
            if (it->id == id) return &*it;
        }
        return nullptr;
    }
};

struct ApplicationFirst {
    ApplicationFirst() { testing_support::TestApplication(); }
};

// A plain top-level widget that counts what reaches it, standing for a host's window.
class HostWidget : private ApplicationFirst, public QWidget {
public:
    HostWidget() { resize(200, 120); }
    int presses = 0;
    int keys = 0;
    int paints = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void paintEvent(QPaintEvent*) override { ++paints; }
};

}  // namespace window_test
