#include <map>

#include "viewer-plugin/display/DDWindow.h"

std::string DDWindow::ErrorText(platform::HRESULT result) {
    using namespace gfx;
    static const std::map<platform::HRESULT, const char*> texts = {
        {DD_OK, "The request completed successfully. \n"},
        {platform::E_FAIL, "There is an undefined error condition. \n"},
        {platform::E_NOTIMPL, "The operation is not implemented. \n"},
        {platform::E_OUTOFMEMORY, "There is not enough memory for the operation. \n"},
        {platform::E_INVALIDARG, "One or more of the arguments are not valid. \n"},
        {platform::E_NOINTERFACE, "The object does not offer the interface asked for. \n"},
        {platform::E_POINTER, "A pointer that must be given is null. \n"},
        {DDERR_INVALIDPIXELFORMAT,
         "The display or surface has a pixel layout that cannot be "
         "drawn on. \n"},
        {DDERR_SURFACELOST, "The surface's memory was taken away; restore the surface. \n"},
        {DDERR_INVALIDRECT, "A rectangle is empty or reaches outside its surface. \n"},
        {DDERR_OUTOFVIDEOMEMORY, "There is not enough display memory for the surface. \n"},
        {DDERR_SURFACEBUSY, "The surface is locked. \n"},
        {DDERR_NOTLOCKED, "The surface was not locked. \n"},
        {DDERR_PRIMARYSURFACEALREADYEXISTS,
         "This DirectDraw object has a primary surface "
         "already. \n"},
        {DDERR_NOEXCLUSIVEMODE, "The operation needs the display held exclusively. \n"},
        {DDERR_NOTFLIPPABLE, "The surface has no back buffer to flip to. \n"},
        {DDERR_CANNOTATTACHSURFACE, "The surface cannot be attached to that surface. \n"},
        {DDERR_SURFACEALREADYATTACHED, "The surface is attached already. \n"},
        {DDERR_NOTFOUND, "No attached surface fits what was asked for. \n"},
        {DDERR_NOCLIPPERATTACHED, "The surface has no clipper. \n"},
        {DDERR_NOHWND, "There is no window to show the picture in. \n"},
        {DDERR_UNSUPPORTEDMODE, "The display cannot switch to that mode. \n"},
        {DDERR_UNSUPPORTED, "The operation is not supported for this surface or layout. \n"},
        {DDERR_NOCOOPERATIVELEVELSET, "No cooperative level was set. \n"},
        {DDERR_NOCOLORKEY, "The source surface has no colour key. \n"},
    };
    const auto it = texts.find(result);
    return it != texts.end() ? it->second : "Unknown DD Error.\n";
}
