#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/ControlContainer.h"
#include "platform/com/ControlSite.h"
#include "platform/net/UrlMoniker.h"

class CNsxControlContainer;
class CNsxControlSite;
class CNsxControlWnd;

// The embed's "param_" attributes: names without the prefix, in attribute order, repeats
// kept, with their values.
struct CNsxParameters {
    std::vector<std::string> names;
    std::vector<std::string> values;
    std::size_t count() const { return names.size(); }
};

// Chooses the module's own container and site for every control the module hosts.
class CNsxOccManager {
public:
    virtual ~CNsxOccManager() = default;
    virtual std::unique_ptr<CNsxControlContainer> CreateContainer(
        platform::HWND window, std::vector<platform::EventSinkEntry> eventSinkMap = {});
    virtual std::unique_ptr<CNsxControlSite> CreateSite(CNsxControlContainer& container);
};

// The process's manager, made on first use and kept to the end.
CNsxOccManager& GetOccManager();

// The controls of one plug-in window.
class CNsxControlContainer : public platform::ControlContainer {
public:
    explicit CNsxControlContainer(platform::HWND window,
                                  std::vector<platform::EventSinkEntry> eventSinkMap = {});

    // A new site of the manager creates the control; a site whose control exists is kept
    // under the control's window and handed out through `site`. `data` is the control's
    // saved state, positioned where it starts, or null.
    bool CreateControl(CNsxControlWnd* wrapper, const platform::CLSID& clsid,
                       const char* windowName, std::uint32_t style, const Rect& rect, int id,
                       platform::IStream* data, const CNsxParameters& parameters,
                       CNsxControlSite** site);
};

// A site that quick-activates its control with a bind host of its own and initialises it from
// the control data or the embed's parameters.
class CNsxControlSite : public platform::ControlSite {
public:
    explicit CNsxControlSite(CNsxControlContainer& container);
    ~CNsxControlSite() override;

    using platform::ControlSite::CreateControl;
    using platform::ControlSite::CreateOrLoad;
    // Where the control's events arrive, as the control calls it.
    using platform::ControlSite::eventSink;

    platform::HRESULT CreateControl(CNsxControlWnd* wrapper, const platform::CLSID& clsid,
                                    const char* windowName, std::uint32_t style, const Rect& rect,
                                    int id, platform::IStream* data,
                                    const CNsxParameters& parameters);
    // S_FALSE after quick activation.
    platform::HRESULT CreateOrLoad(const platform::CLSID& clsid, platform::IStream* data,
                                   const CNsxParameters& parameters);
    // Puts each parameter by name, as text, in order; unknown names are skipped.
    void SetPropertiesByName(const CNsxParameters& parameters);

    CNsxControlWnd* wrapper() const { return wrapper_; }
    // The site's bind host (no reference of its own).
    platform::IBindHost* bindHost() const;

protected:
    platform::HRESULT QuerySiteInterface(const platform::IID& iid, void** object) override;

private:
    class BindHost;

    CNsxControlWnd* wrapper_ = nullptr;
    platform::ComPtr<BindHost> bindHost_;
};

// The embed's parameters as a property bag, for one Load call.
class CNsxPropertyBag final : public platform::IPropertyBag {
public:
    explicit CNsxPropertyBag(const CNsxParameters& parameters);

    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;
    // Stack object: the counts are constants.
    std::uint32_t AddRef() override { return 1; }
    std::uint32_t Release() override { return 1; }
    platform::HRESULT Read(const platform::OLECHAR* propertyName, platform::VARIANT* value,
                           platform::IErrorLog* errorLog) override;
    platform::HRESULT Write(const platform::OLECHAR* propertyName,
                            platform::VARIANT* value) override;

private:
    std::size_t count_;
    std::vector<std::string> names_;
    std::vector<std::string> values_;
};

// The source the module names in its error reports: its file name without the extension.
const char* ModuleApplicationName();
