#pragma once

// The built control library, registered in a registry of the test program's own, and a
// container window of 800 x 600 to hold it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/ControlContainer.h"
#include "platform/com/tests/TemporaryRegistry.h"
#include "platform/text/Text.h"
#include "platform/window/tests/WindowTestSupport.h"
#include "testing/QtTestApp.h"
#include "viewer-plugin/viewer/DispatchTable.h"

namespace control_test {

using namespace platform;

constexpr int kControlId = 1004;

// The library, loaded once and kept, as the platform keeps the servers it loads: what the
// control leaves with the toolkit must not outlive its code.
inline void* Library() {
    static void* library = ::dlopen(VANTELO_CONTROL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    return library;
}

template <class Function>
Function Entry(const char* name) {
    return Library() != nullptr ? reinterpret_cast<Function>(::dlsym(Library(), name)) : nullptr;
}

// Calls one of the library's registration entries; E_FAIL when it cannot be reached.
inline HRESULT CallEntry(const char* name) {
    const auto entry = Entry<HRESULT (*)()>(name);
    return entry != nullptr ? entry() : E_FAIL;
}

using window_test::PumpUntil;

// Handles events for a while.
inline void Pump(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    PumpUntil([end] { return std::chrono::steady_clock::now() > end; });
}

// A control of the library, made through the registry.
inline ComPtr<IDispatch> CreateLensObj() {
    ComPtr<IDispatch> control;
    EXPECT_EQ(CoCreateInstance(scripting::CLSID_LensObj, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDispatch, control.Out()),
              S_OK);
    return control;
}

template <class T>
ComPtr<T> Query(IUnknown* object, const IID& iid) {
    ComPtr<T> out;
    if (object != nullptr) object->QueryInterface(iid, out.Out());
    return out;
}

// A late-bound call with the arguments in their natural order.
inline HRESULT Call(IDispatch* control, DISPID id, std::uint16_t flags,
                    std::vector<Variant> arguments, VARIANT* result = nullptr) {
    std::reverse(arguments.begin(), arguments.end());
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{arguments.data(), put ? &named : nullptr,
                      static_cast<std::uint32_t>(arguments.size()), put ? 1u : 0u};
    return control->Invoke(id, IID_NULL, 0, flags, &params, result, nullptr, nullptr);
}

// The viewer's events as the container's event sink map hears them.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        // A shared viewer record of the program's own: viewers of test programs running side
        // by side would otherwise ask each other for the hardware.
        record_ = "/vantelo-control-test-" + std::to_string(::getpid());
        ::setenv("VANTELO_SHM_NAME", record_.c_str(), 1);
        ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
        // All of it on the screen, whose pixels the control's frames go to.
        window_ = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        window_->setGeometry(0, 0, 800, 600);
        window_->show();
        auto note = [this](std::string text) { heard_.push_back(std::move(text)); };
        std::vector<EventSinkEntry> map{
            {kControlId,
             1,
             {VT_R4, VT_R4, VT_R4},
             [note](const std::vector<Variant>& a) {
                 note(FormatC("ChangedPos(%g,%g,%g)", a[0].fltVal, a[1].fltVal, a[2].fltVal));
             }},
            {kControlId, 2, {}, [note](const std::vector<Variant>&) { note("ZoomedToGoal"); }},
            {kControlId, 3, {}, [note](const std::vector<Variant>&) { note("OnLoad"); }},
        };
        container_ = std::make_unique<ControlContainer>(window_.get(), std::move(map));
    }
    void TearDown() override {
        container_.reset();
        window_.reset();
        ::shm_unlink(record_.c_str());
        ::unsetenv("VANTELO_SHM_NAME");
    }

    ControlSite* Create(IStream* state = nullptr) {
        return container_->CreateControl(scripting::CLSID_LensObj, Rect{0, 0, 800, 600}, kControlId,
                                         state);
    }
    static ComPtr<IDispatch> DispatchOf(ControlSite* site) {
        return Query<IDispatch>(site->GetControlObject(), IID_IDispatch);
    }
    int Heard(const std::string& event) const {
        int n = 0;
        for (const auto& e : heard_) n += e == event ? 1 : 0;
        return n;
    }

    std::string record_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<ControlContainer> container_;
    std::vector<std::string> heard_;
};

}  // namespace control_test
