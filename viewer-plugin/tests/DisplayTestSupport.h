#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/gfx/VirtualDisplay.h"
#include "platform/window/Desktop.h"
#include "testing/QtTestApp.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/display/DDWindow.h"
#include "viewer-plugin/display/ErrorLog.h"

namespace display_test {

// Display windows in offscreen widgets, with the log watched and every shared display
// object checked back in at the end.
class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        gfx::display::Reset();
        platform::SetDisplayBitsPerPixel(32);
        DDWindow::SetForceDX3(false);
        DDWindow::SetModeSwitchBySettings(false);
        ErrorLog::Instance().Reset();
        ErrorLog::Instance().SetObserver([this](int level, std::string_view text) {
            logged_.emplace_back(level, std::string(text));
        });
        live_ = gfx::display::LiveObjects();
        host_ = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        host_->setGeometry(0, 0, 320, 240);
        host_->show();
    }

    void TearDown() override {
        host_.reset();
        ErrorLog::Instance().Reset();
        platform::SetDisplayBitsPerPixel(32);
        DDWindow::SetForceDX3(false);
        DDWindow::SetModeSwitchBySettings(false);
        EXPECT_EQ(SharedDirectDraw().windowCount, 0);
        EXPECT_EQ(gfx::display::LiveObjects(), live_);
        gfx::display::Reset();
    }

    // A child of the host at a place of its own on the screen.
    QWidget* Child(int x, int y, int width, int height) {
        auto* child = new QWidget(host_.get());
        child->setGeometry(x, y, width, height);
        child->show();
        return child;
    }

    std::unique_ptr<DDWindow> Windowed(QWidget* widget) {
        auto window = std::make_unique<DDWindow>(nullptr, widget);
        window->SetSleep([this](std::chrono::milliseconds ms) { sleeps_.push_back(ms); });
        return window;
    }

    static void Close(std::unique_ptr<DDWindow>& window) {
        window->OnDestroy();
        window.reset();
    }

    // What the window's framebuffer shows at (x, y), as 0xRRGGBB.
    static std::uint32_t Shown(DDWindow& window, int x, int y) {
        platform::SurfacePixels pixels;
        if (!window.window()->framebuffer().Lock(pixels)) return 0xDEADBEEF;
        const auto* row = reinterpret_cast<const std::uint32_t*>(pixels.bits + y * pixels.pitch);
        const std::uint32_t value = row[x] & 0xFFFFFF;
        window.window()->framebuffer().Unlock();
        return value;
    }

    static void Paint(DDWindow& window, std::uint32_t colour) {
        ASSERT_NE(window.GetBackBuffer(), nullptr);
        ASSERT_TRUE(window.GetBackBuffer()->Fill(colour));
    }

    bool Logged(int level, const std::string& text) const {
        for (const auto& [l, t] : logged_) {
            if (l == level && t == text) return true;
        }
        return false;
    }
    int Count(const std::string& text) const {
        int n = 0;
        for (const auto& entry : logged_) n += entry.second == text ? 1 : 0;
        return n;
    }

    std::unique_ptr<QWidget> host_;
    std::vector<std::pair<int, std::string>> logged_;
    std::vector<std::chrono::milliseconds> sleeps_;
    int live_ = 0;
};

// 3D windows on a record of the test's own, so that parallel test programs never share one.
class Direct3DTest : public DisplayTest {
protected:
    void SetUp() override {
        static int serial = 0;
        name_ = "/vantelo-d3d-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
        ::setenv("VANTELO_SHM_NAME", name_.c_str(), 1);
        DisplayTest::SetUp();
        host_->setGeometry(0, 0, 700, 500);
        ASSERT_TRUE(record_.Map());
    }
    void TearDown() override {
        EXPECT_EQ(SharedDirect3D().d3dUsers, 0);
        EXPECT_EQ(SharedDirect3D().d3d, nullptr);
        DisplayTest::TearDown();
        record_.Unmap();
        ::shm_unlink(name_.c_str());
        ::unsetenv("VANTELO_SHM_NAME");
    }

    // A display with 3D hardware that can do what `desc` says.
    static void Hardware(const gfx::DeviceDesc& desc = gfx::DeviceDesc{}) {
        gfx::display::SetHardware3D(desc);
        gfx::display::SetDriverCaps(gfx::DDCAPS_3D);
    }

    std::unique_ptr<D3DWindow> Window(int width, int height, int x = 0) {
        auto window = std::make_unique<D3DWindow>(nullptr, Child(x, 0, width, height));
        window->SetSleep([](std::chrono::milliseconds) {});
        return window;
    }

    static void Close(std::unique_ptr<D3DWindow>& window) {
        window->OnDestroy();
        window.reset();
    }

    static bool OnHardware(const D3DWindow& window) {
        return window.GetDevice() != nullptr && window.GetDevice()->IsHardware();
    }

    std::string name_;
    SharedRecord record_;  // another process's view of the record
};

}  // namespace display_test
