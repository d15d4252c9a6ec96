#pragma once

#include <cstdint>

#include "platform/npapi/Xpcom.h"
#include "viewer-plugin/DispatchTable.h"

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
