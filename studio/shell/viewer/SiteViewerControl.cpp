#include "studio/shell/viewer/SiteViewerControl.h"

#include <QResizeEvent>
#include <QWidget>

#include "platform/com/ControlContainer.h"
#include "platform/debug/Debug.h"

namespace {

using namespace platform;

constexpr int kControlId = 1004;
constexpr CLSID kViewerClass{
    0x7A3E51C2, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};

// The viewer's members and events, by dispatch id.
constexpr DISPID kFilename = 1;
constexpr DISPID kGetPosition = 3;
constexpr DISPID kBgColor = 8;
constexpr DISPID kFit = 20;
constexpr DISPID kFullscreen = 27;
constexpr DISPID kReadyState = -525;
constexpr std::int32_t kReadyStateInteractive = 3;
constexpr DISPID kChangedPos = 1;
constexpr DISPID kOnLoad = 3;

// Keeps the control over the whole of its container window.
class HostWindow final : public QWidget {
public:
    explicit HostWindow(QWidget* parent) : QWidget(parent) {}
    ControlSite* site = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (site != nullptr) site->MoveSite(Rect{0, 0, width(), height()});
    }
};

class SiteViewerControl final : public ViewerControl {
public:
    explicit SiteViewerControl(QWidget* parent) : host_(new HostWindow(parent)) {
        std::vector<EventSinkEntry> sinkMap{
            {kControlId,
             kChangedPos,
             {VT_R4, VT_R4, VT_R4},
             [this](const std::vector<Variant>& a) {
                 if (events_.changedPos) events_.changedPos(a[0].fltVal, a[1].fltVal, a[2].fltVal);
             }},
            {kControlId,
             kOnLoad,
             {},
             [this](const std::vector<Variant>&) {
                 if (events_.onLoad) events_.onLoad();
             }},
        };
        container_ = std::make_unique<ControlContainer>(host_, std::move(sinkMap));
        site_ = container_->CreateControl(kViewerClass, Rect{0, 0, host_->width(), host_->height()},
                                          kControlId);
        host_->site = site_;
    }
    ~SiteViewerControl() override {
        host_->site = nullptr;
        container_.reset();
    }

    bool Created() const { return site_ != nullptr; }

    QWidget* widget() override { return host_; }
    void SetEvents(Events events) override { events_ = std::move(events); }

    void SetFilename(const std::string& path) override { Put(kFilename, Variant::Text(path)); }
    std::string GetFilename() override {
        std::string name;
        return Call(kFilename, DISPATCH_PROPERTYGET, &name, {}) ? name : std::string();
    }
    bool GetPosition(float& x, float& y, float& z) override {
        float got[3] = {0, 0, 0};
        if (!Call(kGetPosition, DISPATCH_METHOD, NoResult{},
                  {Variant::R4Ref(&got[0]), Variant::R4Ref(&got[1]), Variant::R4Ref(&got[2])})) {
            return false;
        }
        x = got[0];
        y = got[1];
        z = got[2];
        return true;
    }
    bool ShowsPicture() override {
        std::int32_t state = kReadyStateInteractive;
        Call(kReadyState, DISPATCH_PROPERTYGET, &state, {});
        return state >= kReadyStateInteractive;
    }
    void SetBgColor(long color) override { Put(kBgColor, Variant::I4(static_cast<int>(color))); }
    void SetFit(long fit) override { Put(kFit, Variant::I4(static_cast<int>(fit))); }
    void SetFullscreen(long on) override { Put(kFullscreen, Variant::I4(static_cast<int>(on))); }

    // A control that fails a call has said so in its own way; the pane goes on.
    bool Call(DISPID id, std::uint16_t flags, InvokeResult result,
              std::initializer_list<Variant> arguments) {
        if (site_ == nullptr) return false;
        try {
            site_->InvokeHelper(id, flags, result, arguments);
            return true;
        } catch (const DispatchError& error) {
            DebugOutput("Viewer control: " + error.description() + "\n");
        } catch (const OleError&) {
            DebugOutput("Viewer control: a call failed\n");
        }
        return false;
    }

private:
    void Put(DISPID id, const Variant& value) {
        Call(id, DISPATCH_PROPERTYPUT, NoResult{}, {value});
    }

    HostWindow* host_;
    std::unique_ptr<ControlContainer> container_;
    ControlSite* site_ = nullptr;
    Events events_;
};

}  // namespace

std::unique_ptr<ViewerControl> MakeSiteViewerControl(QWidget* parent) {
    auto control = std::make_unique<SiteViewerControl>(parent);
    if (control->Created()) return control;
    QWidget* window = control->widget();
    control.reset();
    delete window;
    DebugOutput("The viewer control could not be created in the viewer pane\n");
    return nullptr;
}

bool InvokeSiteViewerControl(ViewerControl* control, DISPID id, std::uint16_t flags,
                             InvokeResult result, std::initializer_list<Variant> arguments) {
    auto* site = dynamic_cast<SiteViewerControl*>(control);
    return site != nullptr && site->Call(id, flags, result, arguments);
}
