#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include "imaging/tests/JpegFixtures.h"
#include "platform/gfx/RelativeMouse.h"
#include "platform/text/Text.h"
#include "testing/TempDir.h"
#include "viewer-plugin/tests/DisplayTestSupport.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

// What tests look into inside a viewer and no host reads.
class ViewerProbe {
public:
    explicit ViewerProbe(CVanteloPlugin& viewer) : viewer_(viewer) {}
    ViewerDisplay& Display() const { return viewer_.display_; }
    DeviceOwnership& Ownership() const { return viewer_.device_; }
    platform::PacingThread* PacingThread() const { return viewer_.pacing_.get(); }
    bool LoadError() const { return viewer_.loadError_; }
    bool InitFailed() const { return viewer_.initFailed_; }
    bool LogoVisible() const { return viewer_.logoVisible_; }
    bool MoveActive() const { return viewer_.moveActive_; }
    void SetDeferring(bool on) const { viewer_.deferEvents_ = on; }
    std::size_t QueuedEvents() const { return viewer_.queue_.size(); }

private:
    CVanteloPlugin& viewer_;
};

namespace viewer_test {

// A host that writes down every event it hears, in order.
struct RecordingHost : CCustomPluginInterface {
    HRESULT FireOnRequestEdit(int) override { return 0; }
    HRESULT GetZoomInfo(ZoomInfo*) override { return 0; }
    HRESULT TryFireOnRequestEdit(int) override { return 0; }
    HRESULT SendOnDataChange(int) override { return 0; }
    HRESULT Invalidate() override { return 0; }
    HRESULT ChangedPos(float x, float y, float z) override {
        return Note(platform::FormatC("ChangedPos(%g,%g,%g)", x, y, z));
    }
    HRESULT ZoomedToGoal() override { return Note("ZoomedToGoal"); }
    HRESULT OnLoad() override { return Note("OnLoad"); }
    HRESULT OnTime() override { return Note("OnTime"); }
    HRESULT OnCursor(short button, short x, short y) override {
        return Note(platform::FormatC("OnCursor(%d,%d,%d)", button, x, y));
    }
    HRESULT OnChangeMode(short mode, short width, short height) override {
        return Note(platform::FormatC("OnChangeMode(%d,%d,%d)", mode, width, height));
    }

    HRESULT Note(const std::string& event) {
        events.push_back(event);
        return 0;
    }
    // Events other than OnTime.
    std::vector<std::string> Heard() const {
        std::vector<std::string> heard;
        for (const auto& event : events) {
            if (event != "OnTime") heard.push_back(event);
        }
        return heard;
    }
    int Count(const std::string& event) const {
        int n = 0;
        for (const auto& e : events) n += e == event ? 1 : 0;
        return n;
    }

    std::vector<std::string> events;
};

// A viewer on a 400 x 300 offscreen window, frames posted by the test unless it asks for
// the pacing thread, options in a registry of the test's own.
class ViewerTest : public display_test::Direct3DTest {
protected:
    void SetUp() override {
        static testing_support::TempDir registry;
        ::setenv("VANTELO_REGISTRY_DIR", registry.path().c_str(), 1);
        if (ManualPacing()) ::setenv("VANTELO_PACING", "manual", 1);
        Direct3DTest::SetUp();
        gfx::mouse::Reset();
        widget_ = Child(0, 0, 400, 300);
        viewer_ = std::make_unique<CVanteloPlugin>();
        viewer_->SetHostInterface(&host_);
    }
    void TearDown() override {
        if (viewer_) {
            viewer_->OnDestroyWindow();
            viewer_.reset();
        }
        gfx::mouse::Reset();
        Direct3DTest::TearDown();
        ::unsetenv("VANTELO_PACING");
    }
    virtual bool ManualPacing() const { return true; }

    static bool PumpUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // At least one round of events, however late this thread gets to run.
    static void Pump(std::chrono::milliseconds time) {
        QCoreApplication::processEvents();
        PumpUntil([] { return false; }, time);
    }

    // Attaches the window and loads `name` to the end of its download.
    void Load(const std::string& name) {
        viewer_->AttachWindow(widget_);
        viewer_->SetFilename(name);
        ASSERT_TRUE(PumpUntil([&] { return !viewer_->IsLoading(); }));
    }

    ViewerProbe Probe() { return ViewerProbe(*viewer_); }

    // What the window shows at (x, y), as 0xRRGGBB.
    std::uint32_t ShownAt(int x, int y) { return Shown(*Probe().Display().get(), x, y); }

    // A JPEG of one colour.
    static std::vector<std::uint8_t> SolidJpeg(int width, int height, std::uint32_t rgb) {
        return jpeg_fixtures::Solid(width, height, rgb);
    }
    std::string JpegFile(const std::string& name, int width, int height, std::uint32_t rgb) {
        const auto bytes = SolidJpeg(width, height, rgb);
        return temp_.Write(name, std::string(bytes.begin(), bytes.end()));
    }

    QWidget* widget_ = nullptr;
    RecordingHost host_;
    std::unique_ptr<CVanteloPlugin> viewer_;
    testing_support::TempDir temp_;
};

// Within a few steps of each channel, as a JPEG keeps a flat colour.
inline bool Near(std::uint32_t a, std::uint32_t b, int tolerance = 6) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

}  // namespace viewer_test
