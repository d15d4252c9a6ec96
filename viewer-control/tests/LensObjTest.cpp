#include <QImage>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <tuple>

#include "imaging/tests/JpegFixtures.h"
#include "platform/window/Desktop.h"
#include "platform/window/DrawContext.h"
#include "testing/TempDir.h"
#include "viewer-control/tests/ControlTestSupport.h"
#include "viewer-plugin/tests/ThreadCount.h"

namespace {

using namespace platform;
using namespace control_test;

constexpr std::uint32_t kPictureColour = 0x2060A0;

std::string SolidJpeg(const testing_support::TempDir& temp, int width, int height) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) {
        pixels.insert(pixels.end(), {0x20, 0x60, 0xA0});
    }
    const auto bytes =
        jpeg_fixtures::Encode({.width = width, .height = height, .quality = 95}, pixels);
    return temp.Write("wide.jpg", std::string(bytes.begin(), bytes.end()));
}

bool Near(QRgb pixel, std::uint32_t rgb) {
    const int d[3] = {qRed(pixel) - static_cast<int>((rgb >> 16) & 0xFF),
                      qGreen(pixel) - static_cast<int>((rgb >> 8) & 0xFF),
                      qBlue(pixel) - static_cast<int>(rgb & 0xFF)};
    for (const int v : d) {
        if (v > 6 || v < -6) return false;
    }
    return true;
}

// An outside sink of the event interface (what it hears, by dispatch id) and of property
// notifications (it refuses every edit and notes what it was asked).
class Sink final : public RefCounted<IDispatch, IPropertyNotifySink> {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        *object = nullptr;
        if (iid == IID_IPropertyNotifySink) {
            *object = static_cast<IPropertyNotifySink*>(this);
        } else if (iid == IID_IUnknown || iid == IID_IDispatch ||
                   iid == scripting::DIID__ILensObjEvents) {
            *object = static_cast<IDispatch*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID&, const OLECHAR* const*, std::uint32_t, LCID,
                          DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DISPID id, const IID&, LCID, std::uint16_t, DISPPARAMS* params, VARIANT*,
                   EXCEPINFO*, std::uint32_t*) override {
        std::string event = std::to_string(id);
        for (std::uint32_t i = params->cArgs; i-- > 0;) {
            const VARIANT& a = params->rgvarg[i];
            event += a.vt == VT_R4 ? FormatC(" %g", a.fltVal) : FormatC(" vt%d", a.vt);
        }
        heard.push_back(event);
        return S_OK;
    }
    HRESULT OnChanged(DISPID) override { return S_OK; }
    HRESULT OnRequestEdit(DISPID id) override {
        asked.push_back(id);
        if (onRequestEdit) onRequestEdit();
        return S_FALSE;
    }
    std::vector<std::string> heard;
    std::vector<DISPID> asked;
    std::function<void()> onRequestEdit;
};

void MoveTo(IDispatch* control, float x, float y, float z) {
    ASSERT_EQ(
        Call(control, scripting::kDispMoveTo, DISPATCH_METHOD,
             {Variant::R4(x), Variant::R4(y), Variant::R4(z), Variant::I4(0), Variant::I4(0)}),
        S_OK);
}

using LensObjTest = ControlTest;

TEST_F(LensObjTest, ShowsAWidePictureCentredBetweenWhiteBands) {
    testing_support::TempDir temp;
    const std::string picture = SolidJpeg(temp, 1600, 600);
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    ASSERT_NE(site->window(), nullptr);
    EXPECT_EQ(site->window()->parentWidget(), window_.get());
    EXPECT_EQ(site->window()->geometry(), QRect(0, 0, 800, 600));

    // What the studio's viewer pane does to show a picture.
    site->SetProperty(scripting::kDispBgColor, Variant::I4(0xFFFFFF));
    site->SetProperty(scripting::kDispFit, Variant::I4(304));
    site->SetProperty(scripting::kDispFilename, Variant::Text(picture));
    ASSERT_TRUE(PumpUntil([&] { return Heard("OnLoad") > 0; }));
    Pump(std::chrono::milliseconds(300));
    EXPECT_EQ(Heard("OnLoad"), 1);

    float x = 1;
    float y = 1;
    float z = 1;
    site->InvokeHelper(scripting::kDispGetPosition, DISPATCH_METHOD, NoResult{},
                       {Variant::R4Ref(&x), Variant::R4Ref(&y), Variant::R4Ref(&z)});
    EXPECT_FLOAT_EQ(x, 0.0f);
    EXPECT_FLOAT_EQ(y, -300.0f);
    EXPECT_FLOAT_EQ(z, 0.5f);

    const QImage shown = site->window()->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(800, 600));
    for (const int column : {100, 400, 700}) {
        for (const auto& [row, colour] :
             std::vector<std::pair<int, std::uint32_t>>{{60, 0xFFFFFF},
                                                        {146, 0xFFFFFF},
                                                        {154, kPictureColour},
                                                        {300, kPictureColour},
                                                        {445, kPictureColour},
                                                        {454, 0xFFFFFF},
                                                        {590, 0xFFFFFF}}) {
            EXPECT_TRUE(Near(shown.pixel(column, row), colour))
                << column << "," << row << ": " << std::hex << shown.pixel(column, row);
        }
    }

    // The container's snapshot of the control is the frame its window shows.
    QImage snapshot(800, 600, QImage::Format_RGB32);
    snapshot.fill(Qt::black);
    {
        DrawContext dc(snapshot);
        auto view = Query<IViewObject>(site->GetControlObject(), IID_IViewObject);
        ASSERT_TRUE(view);
        const Rect bounds{0, 0, 800, 600};
        EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, &dc, &bounds, nullptr,
                             nullptr, 0),
                  S_OK);
        EXPECT_EQ(view->Draw(4, -1, nullptr, nullptr, nullptr, &dc, &bounds, nullptr, nullptr, 0),
                  DV_E_DVASPECT);
    }
    // A window shows the frame's colours; the fourth byte of its pixels means nothing.
    int differing = 0;
    for (int row = 0; row < 600; ++row) {
        for (int column = 0; column < 800; ++column) {
            differing +=
                (snapshot.pixel(column, row) & 0xFFFFFF) != (shown.pixel(column, row) & 0xFFFFFF);
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(LensObjTest, MovesFireChangedPosOnlyWhenThePositionChanges) {
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    ComPtr<IDispatch> control = DispatchOf(site);
    ASSERT_TRUE(control);

    MoveTo(control.get(), 10, 20, 2);
    EXPECT_EQ(heard_, (std::vector<std::string>{"ChangedPos(10,20,2)", "ZoomedToGoal"}));
    heard_.clear();
    MoveTo(control.get(), 10, 20, 2);
    EXPECT_EQ(heard_, (std::vector<std::string>{"ZoomedToGoal"}));
    heard_.clear();
    ASSERT_EQ(Call(control.get(), scripting::kDispSetPosition, DISPATCH_METHOD,
                   {Variant::R4(1), Variant::R4(2), Variant::R4(3)}),
              S_OK);
    EXPECT_TRUE(heard_.empty());

    // A sink of its own, advised and unadvised.
    auto points = Query<IConnectionPointContainer>(control.get(), IID_IConnectionPointContainer);
    ASSERT_TRUE(points);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(points->FindConnectionPoint(scripting::DIID__ILensObjEvents, point.Put()), S_OK);
    ComPtr<Sink> sink;
    sink.Attach(new Sink);
    std::uint32_t cookie = 0;
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(sink.get()), &cookie), S_OK);
    MoveTo(control.get(), 4, 5, 6);
    EXPECT_EQ(sink->heard, (std::vector<std::string>{"1 4 5 6", "2"}));
    EXPECT_EQ(point->Unadvise(cookie + 1000), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(point->Unadvise(cookie), S_OK);
    MoveTo(control.get(), 7, 8, 9);
    EXPECT_EQ(sink->heard.size(), 2u);
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(Heard("ZoomedToGoal"), 2);  // the container's sink still hears every move
}

TEST_F(LensObjTest, DispatchFindsMembersByNameAndConvertsArguments) {
    ComPtr<IDispatch> control = CreateLensObj();
    ASSERT_TRUE(control);
    const std::vector<std::pair<std::u16string, DISPID>> names{
        {u"posz", 23}, {u"Filename", 1}, {u"FIT", 20}, {u"AboutBox", -552}, {u"backcolor", -501}};
    for (const auto& [name, id] : names) {
        const OLECHAR* text = name.c_str();
        DISPID found = 0;
        EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &text, 1, 0, &found), S_OK);
        EXPECT_EQ(found, id);
    }
    const OLECHAR* unknown = u"Zoom";
    DISPID found = 0;
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &found), DISP_E_UNKNOWNNAME);

    ASSERT_EQ(
        Call(control.get(), scripting::kDispFit, DISPATCH_PROPERTYPUT, {Variant::Text("304")}),
        S_OK);
    Variant fit;
    ASSERT_EQ(Call(control.get(), scripting::kDispFit, DISPATCH_PROPERTYGET, {}, &fit), S_OK);
    EXPECT_EQ(fit.vt, VT_I4);
    EXPECT_EQ(fit.lVal, 304);

    float a = 0;
    float b = 0;
    const std::vector<std::tuple<DISPID, std::uint16_t, std::vector<Variant>, HRESULT>> refused{
        {5, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
        {26, DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND},
        {26, DISPATCH_PROPERTYPUT, {Variant::I4(1)}, DISP_E_MEMBERNOTFOUND},
        {scripting::kDispGetPosition,
         DISPATCH_METHOD,
         {Variant::R4Ref(&a), Variant::R4Ref(&b)},
         DISP_E_BADPARAMCOUNT},
        {scripting::kDispFit, DISPATCH_PROPERTYPUT, {Variant::Text("wide")}, DISP_E_TYPEMISMATCH},
    };
    for (const auto& [id, flags, arguments, hr] : refused) {
        EXPECT_EQ(Call(control.get(), id, flags, arguments), hr) << id;
    }

    // AboutBox opens the viewer's own about dialog, modal, even before any window exists.
    QString aboutTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            aboutTitle = dialog->windowTitle();
            if (auto* ok = dialog->findChild<QPushButton*>("1")) ok->click();
        }
    });
    EXPECT_EQ(Call(control.get(), scripting::kDispAboutBox, DISPATCH_METHOD, {}), S_OK);
    EXPECT_EQ(aboutTitle, QString("About Vantelo"));

    ASSERT_EQ(Call(control.get(), scripting::kDispBackColor, DISPATCH_PROPERTYPUT,
                   {Variant::I4(0x00C0FFEE)}),
              S_OK);
    Variant back;
    ASSERT_EQ(Call(control.get(), scripting::kDispBackColor, DISPATCH_PROPERTYGET, {}, &back),
              S_OK);
    EXPECT_EQ(back.lVal, 0x00C0FFEE);
}

TEST_F(LensObjTest, EditRequestsAreAskedAndTheEditGoesOnWhateverTheAnswer) {
    ComPtr<IDispatch> control = CreateLensObj();
    auto points = Query<IConnectionPointContainer>(control.get(), IID_IConnectionPointContainer);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(points->FindConnectionPoint(IID_IPropertyNotifySink, point.Put()), S_OK);
    ComPtr<Sink> sink;
    sink.Attach(new Sink);
    std::uint32_t cookie = 0;
    ASSERT_EQ(point->Advise(static_cast<IPropertyNotifySink*>(sink.get()), &cookie), S_OK);

    ASSERT_EQ(Call(control.get(), scripting::kDispFit, DISPATCH_PROPERTYPUT, {Variant::I4(48)}),
              S_OK);
    ASSERT_EQ(
        Call(control.get(), scripting::kDispBorderWidth, DISPATCH_PROPERTYPUT, {Variant::I4(3)}),
        S_OK);
    EXPECT_EQ(sink->asked, (std::vector<DISPID>{scripting::kDispFit, scripting::kDispBorderWidth}));
    Variant fit;
    ASSERT_EQ(Call(control.get(), scripting::kDispFit, DISPATCH_PROPERTYGET, {}, &fit), S_OK);
    EXPECT_EQ(fit.lVal, 48);
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

TEST_F(LensObjTest, QuickActivationAdvisesTheContainersSinks) {
    ComPtr<IDispatch> control = CreateLensObj();
    auto quick = Query<IQuickActivate>(control.get(), IID_IQuickActivate);
    auto object = Query<IOleObject>(control.get(), IID_IOleObject);
    ASSERT_TRUE(quick);
    ASSERT_TRUE(object);
    ComPtr<Sink> sink;
    sink.Attach(new Sink);
    QACONTAINER container;
    container.pUnkEventSink = static_cast<IDispatch*>(sink.get());
    QACONTROL answer;
    ASSERT_EQ(quick->QuickActivate(&container, &answer), S_OK);
    std::uint32_t misc = 0;
    ASSERT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_EQ(answer.dwMiscStatus, misc);
    EXPECT_EQ(misc & OLEMISC_INVISIBLEATRUNTIME, 0u);
    EXPECT_NE(answer.dwEventCookie, 0u);
    EXPECT_EQ(answer.dwPropNotifyCookie, 0u);

    MoveTo(control.get(), 1, 2, 3);
    EXPECT_EQ(sink->heard, (std::vector<std::string>{"1 1 2 3", "2"}));

    QACONTAINER small;
    small.cbSize = 8;
    EXPECT_EQ(quick->QuickActivate(&small, &answer), E_INVALIDARG);

    // The control the container site made was quick-activated too.
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->miscStatus(), misc);
}

TEST_F(LensObjTest, KeysTheContainerHandsOverAreActedOnOnce) {
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    IOleInPlaceActiveObject* active = site->activeObject();
    ASSERT_NE(active, nullptr);
    // Space fits the view and reports the position.
    const Message space{WM_KEYDOWN, VK_SPACE, 1};
    EXPECT_EQ(active->TranslateAccelerator(&space), S_OK);
    EXPECT_EQ(heard_.size(), 1u);
    const Message letter{WM_KEYDOWN, 'Q', 1};
    EXPECT_EQ(active->TranslateAccelerator(&letter), S_FALSE);
    const Message click{WM_LBUTTONDOWN, 0, 0};
    EXPECT_EQ(active->TranslateAccelerator(&click), S_FALSE);
    EXPECT_EQ(heard_.size(), 1u);

    // A key pressed in the control's own window reaches the viewer once too.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QCoreApplication::sendEvent(site->window(), &press);
    EXPECT_EQ(heard_.size(), 2u);
}

TEST_F(LensObjTest, InPlaceVerbsPlaceHideAndCloseTheWindow) {
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    QWidget* window = site->window();
    site->MoveSite(Rect{10, 20, 310, 220});
    EXPECT_EQ(window->geometry(), QRect(10, 20, 300, 200));
    IOleObject* object = site->GetControlObject();
    EXPECT_EQ(object->DoVerb(OLEIVERB_HIDE, nullptr, nullptr, 0, nullptr, nullptr), S_OK);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr),
              S_OK);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(object->DoVerb(7, nullptr, nullptr, 0, nullptr, nullptr), OLEOBJ_E_INVALIDVERB);

    QPointer<QWidget> watched(window);
    ASSERT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_TRUE(watched.isNull());
    HWND none = window_.get();
    EXPECT_EQ(Query<IOleInPlaceObject>(object, IID_IOleInPlaceObject)->GetWindow(&none), E_FAIL);
    EXPECT_EQ(none, nullptr);
}

// A container may remove the control from the handler of one of its events or of an edit
// request, while the engine that called out is still at work: the control goes once the event
// loop is back.
TEST_F(LensObjTest, AContainerMayRemoveTheControlInsideAHandler) {
    testing_support::TempDir temp;
    const std::string picture = SolidJpeg(temp, 160, 60);
    const auto canUnload = Entry<HRESULT (*)()>("DllCanUnloadNow");
    ASSERT_NE(canUnload, nullptr);
    enum class Trigger { Load, Key, Put };
    struct Case {
        const char* what;
        Trigger trigger;
        DISPID event;  // of the container's map; 0: the edit request of a put
        std::vector<VARTYPE> types;
    };
    for (const Case& c : {Case{"OnLoad, from a frame", Trigger::Load, 3, {}},
                          Case{"ChangedPos, from a key", Trigger::Key, 1, {VT_R4, VT_R4, VT_R4}},
                          Case{"an edit request, from the container's put", Trigger::Put, 0, {}}}) {
        ControlSite* site = nullptr;
        int removed = 0;
        std::unique_ptr<ControlContainer> container;
        const auto remove = [&] {
            if (removed++ == 0) container->RemoveControl(site);
        };
        std::vector<EventSinkEntry> map{
            {kControlId, c.event, c.types, [&](const std::vector<Variant>&) { remove(); }}};
        container = std::make_unique<ControlContainer>(window_.get(), std::move(map));
        site = container->CreateControl(scripting::CLSID_LensObj, Rect{0, 0, 800, 600}, kControlId);
        ASSERT_NE(site, nullptr);
        ComPtr<Sink> sink;
        sink.Attach(new Sink);
        sink->onRequestEdit = remove;
        if (c.trigger == Trigger::Put) {
            auto points = Query<IConnectionPointContainer>(DispatchOf(site).get(),
                                                           IID_IConnectionPointContainer);
            ComPtr<IConnectionPoint> point;
            ASSERT_EQ(points->FindConnectionPoint(IID_IPropertyNotifySink, point.Put()), S_OK);
            std::uint32_t cookie = 0;
            ASSERT_EQ(point->Advise(static_cast<IPropertyNotifySink*>(sink.get()), &cookie), S_OK);
        }
        switch (c.trigger) {
            case Trigger::Load:
                site->SetProperty(scripting::kDispFilename, Variant::Text(picture));
                break;
            case Trigger::Key: {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
                QCoreApplication::sendEvent(site->window(), &press);
                break;
            }
            case Trigger::Put:
                site->SetProperty(scripting::kDispFit, Variant::I4(48));
                break;
        }
        EXPECT_TRUE(PumpUntil([&] { return removed > 0 && canUnload() == S_OK; })) << c.what;
        EXPECT_EQ(removed, 1) << c.what;
    }
}

// The container's window may go before the control is closed, taking the control's window with
// it: the engine lets go of that window then, and what comes later never reaches it.
TEST_F(LensObjTest, TheControlsWindowMayGoWithItsContainersWindow) {
    testing_support::TempDir temp;
    const std::string picture = SolidJpeg(temp, 160, 60);
    const int threads = thread_count::ThreadCount();
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    site->SetProperty(scripting::kDispFilename, Variant::Text(picture));
    ASSERT_TRUE(PumpUntil([&] { return Heard("OnLoad") > 0; }));
    ComPtr<IDispatch> control = DispatchOf(site);
    ASSERT_TRUE(control);

    window_.reset();
    EXPECT_EQ(thread_count::ThreadCount(), threads);  // no pacing for a window that is gone
    HWND none = nullptr;
    EXPECT_EQ(Query<IOleInPlaceObject>(control.get(), IID_IOleInPlaceObject)->GetWindow(&none),
              E_FAIL);
    // Full screen returns to the viewer's window as it ends.
    for (const int on : {1, 0}) {
        EXPECT_EQ(Call(control.get(), scripting::kDispFullscreen, DISPATCH_PROPERTYPUT,
                       {Variant::I4(on)}),
                  S_OK);
        Pump(std::chrono::milliseconds(200));
    }
    // Full screen ends by a message to its window, handled when events are.
    Variant fullscreen;
    const auto left = [&] {
        return Call(control.get(), scripting::kDispFullscreen, DISPATCH_PROPERTYGET, {},
                    &fullscreen) == S_OK &&
               fullscreen.lVal == 0;
    };
    EXPECT_TRUE(PumpUntil(left)) << "Fullscreen stayed " << fullscreen.lVal;
    container_.reset();
}

TEST_F(LensObjTest, CreationsLeaveNoThreadOrWindowAndCloseJoinsPacing) {
    const int threads = thread_count::ThreadCount();
    const auto widgets = QApplication::allWidgets().size();
    for (int i = 0; i < 200; ++i) {
        ComPtr<IUnknown> control;
        ASSERT_EQ(CoCreateInstance(scripting::CLSID_LensObj, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IUnknown, control.Out()),
                  S_OK);
    }
    EXPECT_EQ(thread_count::ThreadCount(), threads);
    EXPECT_EQ(QApplication::allWidgets().size(), widgets);

    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    EXPECT_GT(thread_count::ThreadCount(), threads);  // the pacing thread
    container_->RemoveControl(site);
    EXPECT_EQ(thread_count::ThreadCount(), threads);
    EXPECT_EQ(QApplication::allWidgets().size(), widgets);
}

}  // namespace

namespace {

// The screen's depth changing under a control in its container: at a palette depth the
// window shows no picture, at a colour depth again the picture loads anew.
TEST_F(LensObjTest, ADepthChangeDropsAndRemakesTheDisplay) {
    testing_support::TempDir temp;
    const std::string picture = SolidJpeg(temp, 160, 60);
    ControlSite* site = Create();
    ASSERT_NE(site, nullptr);
    site->SetProperty(scripting::kDispFit, Variant::I4(304));
    site->SetProperty(scripting::kDispFilename, Variant::Text(picture));
    ASSERT_TRUE(PumpUntil([&] { return Heard("OnLoad") > 0; }));
    const auto centre = [&] { return site->window()->grab().toImage().pixel(400, 300); };
    ASSERT_TRUE(PumpUntil([&] { return Near(centre(), kPictureColour); }));

    ASSERT_TRUE(SetDisplayBitsPerPixel(8));
    EXPECT_TRUE(PumpUntil([&] { return !Near(centre(), kPictureColour); }));
    // Back at a colour depth the control makes its display again and shows its picture anew.
    ASSERT_TRUE(SetDisplayBitsPerPixel(32));
    EXPECT_TRUE(PumpUntil([&] { return Heard("OnLoad") >= 2 && Near(centre(), kPictureColour); }));
    container_.reset();
}

}  // namespace
