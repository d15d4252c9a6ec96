#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "platform/npapi/Xpcom.h"
#include "viewer-plugin/viewer/DispatchTable.h"

// The viewer as page scripts see it in a browser: after nsISupports, one entry per scripting
// member, a property as its setter then its getter, a method as one entry. Browsers call by
// slot, so the order below is the interface.
inline constexpr nsIID NS_IVANTELO_IID = {
    scripting::IID_nsIVantelo.data1,
    scripting::IID_nsIVantelo.data2,
    scripting::IID_nsIVantelo.data3,
    {scripting::IID_nsIVantelo.data4[0], scripting::IID_nsIVantelo.data4[1],
     scripting::IID_nsIVantelo.data4[2], scripting::IID_nsIVantelo.data4[3],
     scripting::IID_nsIVantelo.data4[4], scripting::IID_nsIVantelo.data4[5],
     scripting::IID_nsIVantelo.data4[6], scripting::IID_nsIVantelo.data4[7]}};

class nsIVantelo : public nsISupports {
public:
    virtual nsresult SetFilename(const char* value) = 0;
    virtual nsresult GetFilename(char** value) = 0;
    virtual nsresult SetPosition(float x, float y, float z) = 0;
    virtual nsresult GetPosition(float* x, float* y, float* z) = 0;
    virtual nsresult MoveTo(float x, float y, float z, std::int32_t timeMs,
                            std::int32_t method) = 0;
    virtual nsresult SetUserInterfaceLock(std::int32_t value) = 0;
    virtual nsresult GetUserInterfaceLock(std::int32_t* value) = 0;
    virtual nsresult SetVersion(float value) = 0;
    virtual nsresult GetVersion(float* value) = 0;
    virtual nsresult SetBgColor(std::int32_t value) = 0;
    virtual nsresult GetBgColor(std::int32_t* value) = 0;
    virtual nsresult SetCanvasColor(std::int32_t value) = 0;
    virtual nsresult GetCanvasColor(std::int32_t* value) = 0;
    virtual nsresult SetCanvasWidth(std::int32_t value) = 0;
    virtual nsresult GetCanvasWidth(std::int32_t* value) = 0;
    virtual nsresult SetCanvasHeight(std::int32_t value) = 0;
    virtual nsresult GetCanvasHeight(std::int32_t* value) = 0;
    virtual nsresult ReSizeCanvas(std::int32_t width, std::int32_t height) = 0;
    virtual nsresult SetMaxZoom(float value) = 0;
    virtual nsresult GetMaxZoom(float* value) = 0;
    virtual nsresult SetMinZoom(float value) = 0;
    virtual nsresult GetMinZoom(float* value) = 0;
    virtual nsresult SetZoomSpeed(float value) = 0;
    virtual nsresult GetZoomSpeed(float* value) = 0;
    virtual nsresult SetPanSpeed(float value) = 0;
    virtual nsresult GetPanSpeed(float* value) = 0;
    virtual nsresult SetBorderColor(std::int32_t value) = 0;
    virtual nsresult GetBorderColor(std::int32_t* value) = 0;
    virtual nsresult SetBorderWidth(std::int32_t value) = 0;
    virtual nsresult GetBorderWidth(std::int32_t* value) = 0;
    virtual nsresult SetBorderHeight(std::int32_t value) = 0;
    virtual nsresult GetBorderHeight(std::int32_t* value) = 0;
    virtual nsresult SetFit(std::int32_t value) = 0;
    virtual nsresult GetFit(std::int32_t* value) = 0;
    virtual nsresult SetPosX(float value) = 0;
    virtual nsresult GetPosX(float* value) = 0;
    virtual nsresult SetPosY(float value) = 0;
    virtual nsresult GetPosY(float* value) = 0;
    virtual nsresult SetPosZ(float value) = 0;
    virtual nsresult GetPosZ(float* value) = 0;
    virtual nsresult RedrawCanvas() = 0;
    virtual nsresult SetShowLogo(std::int32_t value) = 0;
    virtual nsresult GetShowLogo(std::int32_t* value) = 0;
    virtual nsresult SetFullscreen(std::int32_t value) = 0;
    virtual nsresult GetFullscreen(std::int32_t* value) = 0;
    virtual nsresult ZoomLock(std::int32_t xPos, std::int32_t yPos) = 0;
    virtual nsresult ZoomUnlock() = 0;
    virtual nsresult SetFilterRequest(std::int32_t value) = 0;
    virtual nsresult GetFilterRequest(std::int32_t* value) = 0;

protected:
    ~nsIVantelo() = default;
};

// The interface as browsers find it described beside the plug-in (NPvantelo.xpt): its entries
// in slot order after nsISupports's three. Each names a member of the class above and takes
// its parameter types from the member's own declaration, so a renamed member or a changed
// parameter cannot leave the description behind; a new member must be added here in its place.
namespace nsivantelo_description {

inline constexpr std::size_t kFirstSlot = 3;
inline constexpr std::size_t kMaxParameters = 5;

struct Entry {
    std::string_view name;
    std::array<std::string_view, kMaxParameters> parameters{};
    std::size_t parameterCount = 0;
};

template <typename T>
constexpr std::string_view TypeName() {
    if constexpr (std::is_same_v<T, const char*>)
        return "string";
    else if constexpr (std::is_same_v<T, char**>)
        return "out string";
    else if constexpr (std::is_same_v<T, float>)
        return "float";
    else if constexpr (std::is_same_v<T, float*>)
        return "out float";
    else if constexpr (std::is_same_v<T, std::int32_t>)
        return "long";
    else if constexpr (std::is_same_v<T, std::int32_t*>)
        return "out long";
    else
        static_assert(sizeof(T) == 0, "a parameter type the description cannot name");
}

template <typename... Parameters>
constexpr Entry MakeEntry(std::string_view name, nsresult (nsIVantelo::*)(Parameters...)) {
    static_assert(sizeof...(Parameters) <= kMaxParameters);
    return Entry{name, {TypeName<Parameters>()...}, sizeof...(Parameters)};
}

#define NS_IVANTELO_ENTRY(member) MakeEntry(#member, &nsIVantelo::member)
inline constexpr std::array kEntries{
    NS_IVANTELO_ENTRY(SetFilename),
    NS_IVANTELO_ENTRY(GetFilename),
    NS_IVANTELO_ENTRY(SetPosition),
    NS_IVANTELO_ENTRY(GetPosition),
    NS_IVANTELO_ENTRY(MoveTo),
    NS_IVANTELO_ENTRY(SetUserInterfaceLock),
    NS_IVANTELO_ENTRY(GetUserInterfaceLock),
    NS_IVANTELO_ENTRY(SetVersion),
    NS_IVANTELO_ENTRY(GetVersion),
    NS_IVANTELO_ENTRY(SetBgColor),
    NS_IVANTELO_ENTRY(GetBgColor),
    NS_IVANTELO_ENTRY(SetCanvasColor),
    NS_IVANTELO_ENTRY(GetCanvasColor),
    NS_IVANTELO_ENTRY(SetCanvasWidth),
    NS_IVANTELO_ENTRY(GetCanvasWidth),
    NS_IVANTELO_ENTRY(SetCanvasHeight),
    NS_IVANTELO_ENTRY(GetCanvasHeight),
    NS_IVANTELO_ENTRY(ReSizeCanvas),
    NS_IVANTELO_ENTRY(SetMaxZoom),
    NS_IVANTELO_ENTRY(GetMaxZoom),
    NS_IVANTELO_ENTRY(SetMinZoom),
    NS_IVANTELO_ENTRY(GetMinZoom),
    NS_IVANTELO_ENTRY(SetZoomSpeed),
    NS_IVANTELO_ENTRY(GetZoomSpeed),
    NS_IVANTELO_ENTRY(SetPanSpeed),
    NS_IVANTELO_ENTRY(GetPanSpeed),
    NS_IVANTELO_ENTRY(SetBorderColor),
    NS_IVANTELO_ENTRY(GetBorderColor),
    NS_IVANTELO_ENTRY(SetBorderWidth),
    NS_IVANTELO_ENTRY(GetBorderWidth),
    NS_IVANTELO_ENTRY(SetBorderHeight),
    NS_IVANTELO_ENTRY(GetBorderHeight),
    NS_IVANTELO_ENTRY(SetFit),
    NS_IVANTELO_ENTRY(GetFit),
    NS_IVANTELO_ENTRY(SetPosX),
    NS_IVANTELO_ENTRY(GetPosX),
    NS_IVANTELO_ENTRY(SetPosY),
    NS_IVANTELO_ENTRY(GetPosY),
    NS_IVANTELO_ENTRY(SetPosZ),
    NS_IVANTELO_ENTRY(GetPosZ),
    NS_IVANTELO_ENTRY(RedrawCanvas),
    NS_IVANTELO_ENTRY(SetShowLogo),
    NS_IVANTELO_ENTRY(GetShowLogo),
    NS_IVANTELO_ENTRY(SetFullscreen),
    NS_IVANTELO_ENTRY(GetFullscreen),
    NS_IVANTELO_ENTRY(ZoomLock),
    NS_IVANTELO_ENTRY(ZoomUnlock),
    NS_IVANTELO_ENTRY(SetFilterRequest),
    NS_IVANTELO_ENTRY(GetFilterRequest),
};
#undef NS_IVANTELO_ENTRY

}  // namespace nsivantelo_description
