#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "platform/com/ControlContainer.h"
#include "platform/com/MemoryStream.h"
#include "platform/com/tests/FakeControl.h"
#include "platform/com/tests/TemporaryRegistry.h"
#include "testing/QtTestApp.h"

namespace {

using namespace platform;
using namespace fake_control;

constexpr int kControlId = 7;

int Count(const char* name) {
    void* library = ::dlopen(VANTELO_FAKE_CONTROL, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return -1;
    const auto count = reinterpret_cast<CountFunction>(::dlsym(library, name));
    const int n = count != nullptr ? count() : -1;
    ::dlclose(library);
    return n;
}

std::string LastAmbientFont() {
    void* library = ::dlopen(VANTELO_FAKE_CONTROL, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return "(no library)";
    const auto font = reinterpret_cast<TextFunction>(::dlsym(library, kLastAmbientFont));
    const std::string text = font != nullptr ? font() : "(no entry)";
    ::dlclose(library);
    return text;
}

struct Received {
    std::vector<std::vector<Variant>> floats;
    std::vector<std::vector<Variant>> shorts;
};

class ControlSiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        for (const GUID& clsid : {kPlainClass, kQuickClass, kFailingVerbClass}) {
            com_test::Register(clsid, VANTELO_FAKE_CONTROL);
        }
        window_ = std::make_unique<QWidget>();
        window_->resize(400, 300);
        window_->show();
        std::vector<EventSinkEntry> map{
            {kControlId,
             kFloatsEvent,
             {VT_R4, VT_R4, VT_R4},
             [this](const std::vector<Variant>& args) { received_.floats.push_back(args); }},
            {kControlId,
             kShortsEvent,
             {VT_I2, VT_I2, VT_I2},
             [this](const std::vector<Variant>& args) { received_.shorts.push_back(args); }},
            // Another control's events never reach this handler.
            {kControlId + 1,
             kFloatsEvent,
             {},
             [](const std::vector<Variant>&) { ADD_FAILURE() << "wrong control"; }},
        };
        container_ = std::make_unique<ControlContainer>(window_.get(), std::move(map));
    }
    void TearDown() override {
        container_.reset();
        window_.reset();
        // Every control went, and none with a sink still advised.
        EXPECT_EQ(Count(kLiveObjects), 0);
        EXPECT_EQ(Count(kAdvisedSinks), 0);
    }

    ControlSite* Create(const GUID& clsid, IStream* state = nullptr) {
        return container_->CreateControl(clsid, Rect{10, 20, 110, 70}, kControlId, state);
    }

    std::unique_ptr<QWidget> window_;
    std::unique_ptr<ControlContainer> container_;
    Received received_;
};

TEST_F(ControlSiteTest, TheControlsWindowIsAChildAtTheRectangle) {
    ControlSite* site = Create(kPlainClass);
    ASSERT_NE(site, nullptr);
    QWidget* control = site->window();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget(), window_.get());
    EXPECT_EQ(control->geometry(), QRect(10, 20, 100, 50));
    EXPECT_TRUE(control->isVisible());
    EXPECT_EQ(container_->FindSite(control), site);

    // Its keys and its control info are the site's.
    ASSERT_NE(site->activeObject(), nullptr);
    const Message escape{WM_KEYDOWN, static_cast<WPARAM>(VK_ESCAPE), 0};
    EXPECT_EQ(site->activeObject()->TranslateAccelerator(&escape), S_OK);
    EXPECT_EQ(site->controlInfo().cAccel, 1);

    site->MoveSite(Rect{0, 0, 40, 30});
    EXPECT_EQ(control->geometry(), QRect(0, 0, 40, 30));
}

TEST_F(ControlSiteTest, EventsReachTheHandlersInOrderAndTyped) {
    for (const GUID& clsid : {kPlainClass, kQuickClass}) {
        received_ = {};
        ControlSite* site = Create(clsid);
        ASSERT_NE(site, nullptr);
        site->InvokeHelper(kFireFloats, DISPATCH_METHOD, NoResult{}, {});
        // The dual interface fires the same, from its own table of members.
        ComPtr<IFakeControl> dual;
        ComPtr<IOleObject> object;
        object.Share(site->GetControlObject());
        ASSERT_TRUE(object.QueryTo(kFakeControlIid, dual));
        ASSERT_EQ(dual->FireShorts(), S_OK);

        ASSERT_EQ(received_.floats.size(), 1u);
        const auto& floats = received_.floats[0];
        ASSERT_EQ(floats.size(), 3u);
        const float expected[] = {1.5f, 2.0f, 0.25f};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(floats[i].vt, VT_R4);
            EXPECT_EQ(floats[i].fltVal, expected[i]);
        }
        ASSERT_EQ(received_.shorts.size(), 1u);
        const auto& shorts = received_.shorts[0];
        ASSERT_EQ(shorts.size(), 3u);
        const std::int16_t expectedShorts[] = {3, -4, 500};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(shorts[i].vt, VT_I2);
            EXPECT_EQ(shorts[i].iVal, expectedShorts[i]);
        }
        container_->RemoveControl(site);
    }
    // The quick activation carried the ambient flags: user mode and auto-clip.
    EXPECT_EQ(Count(kLastAmbientFlags),
              static_cast<int>(QACONTAINER_USERMODE | QACONTAINER_AUTOCLIP));
    // This container has no font.
    EXPECT_EQ(LastAmbientFont(), "");
}

TEST_F(ControlSiteTest, QuickActivationCarriesTheContainersFont) {
    // A container whose window has a font of its own.
    class FontContainer : public ControlContainer {
    public:
        using ControlContainer::ControlContainer;
        bool GetAmbientProperty(DISPID id, VARIANT* value) const override {
            if (id != DISPID_AMBIENT_FONT) return ControlContainer::GetAmbientProperty(id, value);
            ComPtr<IFont> font = CreateFontObject("DejaVu Sans", 9.75);
            VariantClear(value);
            value->vt = VT_UNKNOWN;
            value->punkVal = font.Detach();
            return true;
        }
    };
    container_.reset();
    container_ = std::make_unique<FontContainer>(window_.get(), std::vector<EventSinkEntry>{});
    ControlSite* site = Create(kQuickClass);
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(LastAmbientFont(), "DejaVu Sans 97500");
    container_->RemoveControl(site);
}

TEST_F(ControlSiteTest, InvokeHelperPutsGetsAndFillsReferences) {
    ControlSite* site = Create(kPlainClass);
    ASSERT_NE(site, nullptr);
    std::int32_t value = 0;
    site->GetProperty(kValue, &value);
    EXPECT_EQ(value, 7);  // a new control
    site->SetProperty(kValue, Variant::I4(-123456));
    site->GetProperty(kValue, &value);
    EXPECT_EQ(value, -123456);

    site->SetProperty(kRatio, Variant::R4(0.375f));
    float ratio = 0;
    site->GetProperty(kRatio, &ratio);
    EXPECT_EQ(ratio, 0.375f);
    // A result converts to the type asked for.
    std::string ratioText;
    site->GetProperty(kRatio, &ratioText);
    EXPECT_EQ(ratioText, "0.375");

    site->SetProperty(kLabel, Variant::Text("Gr\xC3\xBC\xC3\x9F"
                                            "e \xF0\x9F\x98\x80"));
    std::string label;
    site->GetProperty(kLabel, &label);
    EXPECT_EQ(label,
              "Gr\xC3\xBC\xC3\x9F"
              "e \xF0\x9F\x98\x80");

    float x = 0, y = 0, z = 0;
    site->InvokeHelper(kGetPosition, DISPATCH_METHOD, NoResult{},
                       {Variant::R4Ref(&x), Variant::R4Ref(&y), Variant::R4Ref(&z)});
    EXPECT_EQ(x, 1.25f);
    EXPECT_EQ(y, 2.5f);
    EXPECT_EQ(z, 3.75f);

    bool userMode = false;
    site->GetProperty(kUserMode, &userMode);
    EXPECT_TRUE(userMode);
    std::int32_t locale = 0;
    site->GetProperty(kLocale, &locale);
    EXPECT_EQ(locale, 1033);
}

TEST_F(ControlSiteTest, FailuresAreThrownAsDispatchOrOleErrors) {
    ControlSite* site = Create(kPlainClass);
    ASSERT_NE(site, nullptr);
    try {
        site->InvokeHelper(kFail, DISPATCH_METHOD, NoResult{}, {});
        ADD_FAILURE() << "no exception";
    } catch (const DispatchError& error) {
        EXPECT_EQ(error.code(), 1001);
        EXPECT_EQ(error.description(), "Picture not found: \xC3\xBC");
        EXPECT_EQ(error.scode(), E_INVALIDARG);
        EXPECT_EQ(error.source(), "Fake.Control");
        EXPECT_EQ(error.helpFile(), "fake.hlp");
        EXPECT_EQ(error.helpContext(), 42u);
    }
    const auto oleError = [&](auto call) -> HRESULT {
        try {
            call();
        } catch (const OleError& error) {
            return error.scode();
        }
        return S_OK;
    };
    EXPECT_EQ(oleError([&] { site->InvokeHelper(kFailPlain, DISPATCH_METHOD, NoResult{}, {}); }),
              E_FAIL);
    EXPECT_EQ(oleError([&] { site->SetProperty(kValue, Variant::Text("abc")); }),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(oleError([&] { site->InvokeHelper(99, DISPATCH_METHOD, NoResult{}, {}); }),
              DISP_E_MEMBERNOTFOUND);
    site->SetProperty(kLabel, Variant::Text("not a number"));
    std::int32_t number = 0;
    EXPECT_EQ(oleError([&] { site->GetProperty(kLabel, &number); }), DISP_E_TYPEMISMATCH);
    site->Destroy();
    EXPECT_EQ(oleError([&] { site->GetProperty(kValue, &number); }), OLE_E_NOTRUNNING);
}

TEST_F(ControlSiteTest, SavedStateLoadsInsteadOfANewOne) {
    const std::int32_t saved = 4242;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&saved);
    ComPtr<MemoryStream> stream;
    stream.Attach(MemoryStream::Create({bytes, bytes + sizeof saved}));
    ControlSite* site = Create(kPlainClass, stream.get());
    ASSERT_NE(site, nullptr);
    std::int32_t value = 0;
    site->GetProperty(kValue, &value);
    EXPECT_EQ(value, 4242);

    // State too short for the control: nothing is kept.
    ComPtr<MemoryStream> shortStream;
    shortStream.Attach(MemoryStream::Create({1, 2}));
    EXPECT_EQ(Create(kQuickClass, shortStream.get()), nullptr);
}

TEST_F(ControlSiteTest, DestroyAndFailedCreationLeaveNothingBehind) {
    for (const GUID& clsid : {kPlainClass, kQuickClass}) {
        ControlSite* site = Create(clsid);
        ASSERT_NE(site, nullptr);
        EXPECT_EQ(Count(kLiveObjects), 1);
        QPointer<QWidget> control = site->window();
        container_->RemoveControl(site);
        EXPECT_EQ(Count(kLiveObjects), 0);
        EXPECT_TRUE(control.isNull());
        EXPECT_EQ(container_->FindSite(control.data()), nullptr);
    }
    // The control takes its site and sinks, then refuses to activate.
    EXPECT_EQ(Create(kFailingVerbClass), nullptr);
    EXPECT_EQ(Count(kLiveObjects), 0);
    EXPECT_EQ(window_->findChildren<QWidget*>().size(), 0);
    EXPECT_EQ(Count(kAdvisedSinks), 0);

    const GUID unregistered{0x5E1F00FF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(Create(unregistered), nullptr);

    // A container that goes takes its controls along.
    ASSERT_NE(Create(kPlainClass), nullptr);
    ASSERT_NE(Create(kQuickClass), nullptr);
    EXPECT_EQ(Count(kLiveObjects), 2);
    container_.reset();
    EXPECT_EQ(Count(kLiveObjects), 0);
    EXPECT_EQ(Count(kAdvisedSinks), 0);
}

}  // namespace
