#pragma once

#include "platform/net/UrlMoniker.h"

// The zoom a container draws the viewer at, as numerator and denominator per axis.
struct ZoomInfo {
    int numX = 1;
    int numY = 1;
    int denomX = 1;
    int denomY = 1;
};

// What the viewer core asks of the container it runs in: the edit requests and change
// notices of a control, and the script events. Hosts implement it; the viewer never owns it.
class CCustomPluginInterface {
public:
    using HRESULT = platform::HRESULT;

    virtual ~CCustomPluginInterface() = default;

    virtual HRESULT FireOnRequestEdit(int dispid) = 0;
    virtual HRESULT GetZoomInfo(ZoomInfo* info) = 0;
    virtual HRESULT TryFireOnRequestEdit(int dispid) = 0;
    virtual HRESULT SendOnDataChange(int arg) = 0;
    virtual HRESULT Invalidate() = 0;
    virtual HRESULT ChangedPos(float x, float y, float z) = 0;
    virtual HRESULT ZoomedToGoal() = 0;
    virtual HRESULT OnLoad() = 0;
    virtual HRESULT OnTime() = 0;
    virtual HRESULT OnCursor(short button, short posX, short posY) = 0;
    virtual HRESULT OnChangeMode(short mode, short width, short heigth) = 0;
};
