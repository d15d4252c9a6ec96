// The viewer control in NPLensObj's window, through the browser host: the built control
// library registered in a registry of the test program's own, the plug-in loaded as a
// browser loads it.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QWidget>

#include "control-plugin/framework/NsxActiveXPlugin.h"
#include "imaging/tests/JpegFixtures.h"
#include "platform/com/MemoryStream.h"
#include "platform/com/Persist.h"
#include "platform/com/tests/TemporaryRegistry.h"
#include "platform/window/DrawContext.h"
#include "platform/window/KeyHook.h"
#include "testing/NpapiHost.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"
#include "viewer-plugin/viewer/DispatchTable.h"

namespace {

using namespace platform;
using testing_support::NpapiHost;

constexpr std::uint32_t kPictureColour = 0x2060A0;
constexpr CLSID kLensObj{
    0x7A3E51C2, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};

bool Near(QRgb pixel, std::uint32_t rgb) {
    return std::abs(qRed(pixel) - static_cast<int>((rgb >> 16) & 0xFF)) <= 8 &&
           std::abs(qGreen(pixel) - static_cast<int>((rgb >> 8) & 0xFF)) <= 8 &&
           std::abs(qBlue(pixel) - static_cast<int>(rgb & 0xFF)) <= 8;
}

bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        NpapiHost::Pump();
    }
    return true;
}

// Counts the keys that reach a widget.
class KeyCounter final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) ++keys;
        return false;
    }
    int keys = 0;
};

class NPLensObjControl : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        com_test::Register(kLensObj, VANTELO_CONTROL_LIBRARY);
        std::vector<std::uint8_t> pixels;
        for (int i = 0; i < 400 * 300; ++i) pixels.insert(pixels.end(), {0x20, 0x60, 0xA0});
        const auto bytes =
            jpeg_fixtures::Encode({.width = 400, .height = 300, .quality = 95}, pixels);
        picture_ = temp_.Write("picture.jpg", std::string(bytes.begin(), bytes.end()));
        host_ = std::make_unique<NpapiHost>();
        ASSERT_TRUE(host_->Load(NPLENSOBJ_PATH)) << host_->LoadError();
        ASSERT_EQ(host_->Start(), NPERR_NO_ERROR);
    }
    void TearDown() override { host_.reset(); }

    // The hosted control of an instance, or null.
    static IDispatch* Control(NpapiHost::Instance& instance) {
        auto* plugin = static_cast<CNsxActiveXPlugin*>(instance.npp()->pdata);
        IUnknown* control = plugin != nullptr ? plugin->GetControlDispatch() : nullptr;
        if (control == nullptr) return nullptr;
        IDispatch* dispatch = nullptr;
        control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
        if (dispatch != nullptr) dispatch->Release();  // the control keeps it
        return dispatch;
    }
    static std::int32_t Number(IDispatch* control, DISPID id) {
        DISPPARAMS none;
        Variant result;
        if (Failed(control->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                   nullptr))) {
            return -1;
        }
        VariantChangeType(&result, &result, 0, VT_I4);
        return result.lVal;
    }
    static float Real(IDispatch* control, DISPID id) {
        DISPPARAMS none;
        Variant result;
        control->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
        VariantChangeType(&result, &result, 0, VT_R4);
        return result.fltVal;
    }
    // The control's window inside the plug-in window.
    static QWidget* ControlWindow(QWidget* pluginWindow) {
        const auto children = pluginWindow->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        return children.isEmpty() ? nullptr : children.front();
    }
    static QWidget* ControlFrame() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == "NsxControlFrame") return widget;
        }
        return nullptr;
    }
    // The control's window shows the picture in its middle.
    static bool ShowsPicture(QWidget* pluginWindow) {
        return PumpUntil([&] {
            QWidget* control = ControlWindow(pluginWindow);
            if (control == nullptr) return false;
            const QImage shown = control->grab().toImage();
            return !shown.isNull() &&
                   Near(shown.pixel(shown.width() / 2, shown.height() / 2), kPictureColour);
        });
    }

    testing_support::TempDir temp_;
    std::string picture_;
    std::unique_ptr<NpapiHost> host_;
};

TEST_F(NPLensObjControl, ShowsThePictureSizedFocusedAndGivenItsKeys) {
    QWidget page;
    page.resize(400, 300);
    page.show();
    KeyCounter pageKeys;
    page.installEventFilter(&pageKeys);

    auto instance = host_->NewInstance({{"param_filename", picture_}, {"param_fit", "304"}});
    ASSERT_NE(instance, nullptr);
    QWidget* window = instance->MakeWindow(200, 150, &page);
    ASSERT_EQ(instance->SetWindow(), NPERR_NO_ERROR);
    IDispatch* control = Control(*instance);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(Number(control, scripting::kDispFit), 304);
    EXPECT_TRUE(ShowsPicture(window));
    EXPECT_EQ(InstalledHookCount(), 1);

    // Resizing puts the control over the whole window.
    QWidget* controlWindow = ControlWindow(window);
    ASSERT_NE(controlWindow, nullptr);
    EXPECT_EQ(controlWindow->geometry(), QRect(0, 0, 200, 150));
    window->resize(260, 180);
    NpapiHost::Pump();
    EXPECT_EQ(controlWindow->geometry(), QRect(0, 0, 260, 180));

    // A click activates the page's window and focuses the control.
    instance->MousePress(10, 10, Qt::LeftButton);
    instance->MouseRelease(10, 10, Qt::LeftButton);
    NpapiHost::Pump();
    EXPECT_EQ(QApplication::activeWindow(), &page);
    EXPECT_EQ(QApplication::focusWidget(), controlWindow);

    // An arrow key pans the control through its accelerator translation: neither the
    // control's window nor the page sees the key itself.
    KeyCounter controlKeys;
    controlWindow->installEventFilter(&controlKeys);
    // (Zoomed in, so that there is room to pan.)
    Variant zoom = Variant::R4(2.0f);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&zoom, &named, 1, 1};
    ASSERT_EQ(control->Invoke(scripting::kDispPosZ, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params,
                              nullptr, nullptr, nullptr),
              S_OK);
    NpapiHost::Pump();
    const float before = Real(control, scripting::kDispPosX);
    for (int i = 0; i < 5; ++i) instance->KeyToFocus(Qt::Key_Right);
    NpapiHost::Pump();
    EXPECT_TRUE(PumpUntil([&] { return Real(control, scripting::kDispPosX) != before; }))
        << "PosX stayed " << before;
    EXPECT_EQ(pageKeys.keys, 0);
    EXPECT_EQ(controlKeys.keys, 0);
    controlWindow->removeEventFilter(&controlKeys);

    // An embedded print draws the picture on the printer.
    QImage paper(200, 150, QImage::Format_RGB32);
    paper.fill(Qt::white);
    DrawContext printer(paper, DT_RASPRINTER);
    NPPrint print;
    print.mode = NP_EMBED;
    NPWindow& place = print.print.embedPrint.window;
    place.x = 0;
    place.y = 0;
    place.width = 200;
    place.height = 150;
    place.type = NPWindowTypeDrawable;
    print.print.embedPrint.platformPrint = &printer;
    instance->Print(&print);
    EXPECT_TRUE(Near(paper.pixel(100, 75), kPictureColour)) << std::hex << paper.pixel(100, 75);

    instance.reset();
    EXPECT_EQ(InstalledHookCount(), 0);
}

TEST_F(NPLensObjControl, AHiddenEmbedWaitsForItsStreamUnlessItHasAType) {
    auto waiting = host_->NewInstance({{"hidden", "true"}, {"param_filename", picture_}});
    ASSERT_NE(waiting, nullptr);
    QWidget* frame = ControlFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(Control(*waiting), nullptr);
    waiting->Stream("not the control's data", NPRES_DONE);
    IDispatch* control = Control(*waiting);
    ASSERT_NE(control, nullptr);
    waiting.reset();
    EXPECT_EQ(ControlFrame(), nullptr);

    auto typed = host_->NewInstance(
        {{"hidden", ""}, {"type", "application/x-vantelo-plugin"}, {"param_fit", "304"}});
    ASSERT_NE(typed, nullptr);
    IDispatch* first = Control(*typed);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Number(first, scripting::kDispFit), 304);
    typed->Stream("", NPRES_DONE);
    IDispatch* second = Control(*typed);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Number(second, scripting::kDispFit), 304);
}

TEST_F(NPLensObjControl, AStreamOfTheControlsOwnStateRestoresIt) {
    // The control's own Save, after its class id: the ".ods" bytes.
    ComPtr<IPersistStreamInit> saver;
    ASSERT_EQ(CoCreateInstance(kLensObj, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStreamInit,
                               saver.Out()),
              S_OK);
    ComPtr<IDispatch> source;
    ASSERT_EQ(saver->QueryInterface(IID_IDispatch, source.Out()), S_OK);
    saver->InitNew();
    const auto put = [&](DISPID id, Variant value) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        return source->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                              nullptr);
    };
    ASSERT_EQ(put(scripting::kDispFit, Variant::I4(0x110)), S_OK);
    ASSERT_EQ(put(scripting::kDispBgColor, Variant::I4(0x123456)), S_OK);
    ComPtr<MemoryStream> state;
    state.Attach(MemoryStream::Create());
    ASSERT_EQ(saver->Save(state.get(), true), S_OK);
    std::string ods;
    for (int i = 0; i < 4; ++i) ods += static_cast<char>(kLensObj.data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) ods += static_cast<char>(kLensObj.data2 >> (8 * i));
    for (int i = 0; i < 2; ++i) ods += static_cast<char>(kLensObj.data3 >> (8 * i));
    ods.append(reinterpret_cast<const char*>(kLensObj.data4), 8);
    ods.append(state->bytes().begin(), state->bytes().end());

    auto instance = host_->NewInstance({{"param_fit", "304"}});
    ASSERT_NE(instance, nullptr);
    instance->MakeWindow(120, 90);
    instance->SetWindow();
    ASSERT_NE(Control(*instance), nullptr);
    const NpapiHost::Instance::StreamAnswers answers = instance->Stream(ods, NPRES_DONE, 7);
    EXPECT_EQ(answers.accepted, static_cast<std::int64_t>(ods.size()));
    IDispatch* control = Control(*instance);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(Number(control, scripting::kDispFit), 0x110);
    EXPECT_EQ(Number(control, scripting::kDispBgColor), 0x123456);

    // A broken stream: the control starts from its parameters.
    instance->Stream(ods, NPRES_NETWORK_ERR, 7);
    control = Control(*instance);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(Number(control, scripting::kDispFit), 304);
}

TEST_F(NPLensObjControl, TheKeyboardHookGoesWithTheLastInstanceAndTheLibrary) {
    auto one = host_->NewInstance({{"param_filename", picture_}});
    auto two = host_->NewInstance({{"param_filename", picture_}});
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    one->MakeWindow(100, 80);
    one->SetWindow();
    QWidget* twoWindow = two->MakeWindow(100, 80);
    two->SetWindow();
    EXPECT_EQ(InstalledHookCount(), 1);

    // One detached: the other's keys are still routed to its control.
    NPWindow none{};
    one->SetWindow(&none);
    EXPECT_EQ(InstalledHookCount(), 1);
    IDispatch* control = Control(*two);
    ASSERT_NE(control, nullptr);
    QWidget* controlWindow = ControlWindow(twoWindow);
    ASSERT_NE(controlWindow, nullptr);
    KeyCounter pluginKeys;
    twoWindow->installEventFilter(&pluginKeys);
    controlWindow->setFocus();
    EXPECT_TRUE(ShowsPicture(twoWindow));
    for (int i = 0; i < 3; ++i) two->KeyToFocus(Qt::Key_Down);
    EXPECT_EQ(pluginKeys.keys, 0);

    // The window goes before NPP_Destroy; then the last instance goes.
    one.reset();
    two->DestroyWindow();
    two.reset();
    EXPECT_EQ(InstalledHookCount(), 0);

    // One left to the library's end: it goes with the library.
    auto left = host_->NewInstance({});
    left->MakeWindow(50, 50);
    left->SetWindow();
    EXPECT_EQ(InstalledHookCount(), 1);
    left.reset();
    host_.reset();
    EXPECT_EQ(InstalledHookCount(), 0);
}

}  // namespace
