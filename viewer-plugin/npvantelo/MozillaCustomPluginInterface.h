#pragma once

#include <map>
#include <string>

#include "viewer-plugin/viewer/CustomPluginInterface.h"

class nsPluginInstance;

// The viewer's container in a browser: script events become "javascript:" URLs the browser
// runs in the page, naming the functions the embed attributes bound.
class CMozillaCustomPluginInterface final : public CCustomPluginInterface {
public:
    // Event ids of the name map.
    enum EventId {
        kChangedPos = 0,
        kOnChangeMode = 1,
        kOnCursor = 2,
        kOnLoad = 3,
        kOnTime = 4,
        kZoomedToGoal = 5,
    };
    // The URL buffer, its terminating zero included.
    static constexpr std::size_t kUrlBuffer = 512;

    CMozillaCustomPluginInterface(std::map<int, std::string> names, nsPluginInstance* instance)
        : names_(std::move(names)), instance_(instance) {}

    void SetEventName(int id, std::string name) { names_[id] = std::move(name); }
    void ClearEventNames() { names_.clear(); }

    HRESULT FireOnRequestEdit(int dispid) override;
    HRESULT GetZoomInfo(ZoomInfo* info) override;
    HRESULT TryFireOnRequestEdit(int dispid) override;
    HRESULT SendOnDataChange(int arg) override;
    HRESULT Invalidate() override;
    HRESULT ChangedPos(float x, float y, float z) override;
    HRESULT ZoomedToGoal() override;
    HRESULT OnLoad() override;
    HRESULT OnTime() override;
    HRESULT OnCursor(short button, short posX, short posY) override;
    HRESULT OnChangeMode(short mode, short width, short heigth) override;

private:
    // The bound function's name; empty when none is bound.
    std::string NameOf(int id) const;
    // Runs the bound page function with these arguments; nothing when none is bound.
    void Call(int id, const std::string& arguments) const;

    std::map<int, std::string> names_;
    nsPluginInstance* instance_;
};
