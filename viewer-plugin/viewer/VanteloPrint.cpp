// The viewer's frame drawn into a context other than its window: a printer's page or a
// metafile, or a container's snapshot of a viewer that has no window of its own.
#include "platform/com/Com.h"
#include "platform/window/DrawContext.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

platform::HRESULT CVanteloPlugin::RenderToDC(ATL_DRAWINFO& info) {
    platform::DrawContext* dc = info.hdcDraw;
    // Without a context of our own kind there is nothing to make one for.
    if (dc == nullptr) return platform::E_FAIL;
    platform::SectionHold list(ListSection());
    const CVanteloPlugin* source = this;
    if (window_ == nullptr && !display_) {
        source = nullptr;
        for (const CVanteloPlugin* other : Instances()) {
            if (other == this || !other->display_ || other->fileName_ != fileName_) continue;
            const DDSurface* back = other->display_->GetBackBuffer();
            if (back == nullptr) continue;
            if (info.bZoomed &&
                back->GetSize() != Vector2<int>(info.zoom.denomX, info.zoom.denomY)) {
                continue;
            }
            source = other;
            break;
        }
    }
    if (source == nullptr || !source->display_) return platform::E_FAIL;
    DDSurface* back = source->display_->GetBackBuffer();
    if (back == nullptr) return platform::E_FAIL;
    if (dc->GetMapMode() == platform::MM_ISOTROPIC) return platform::E_FAIL;
    const int saved = dc->SaveDC();
    dc->SetMapMode(platform::MM_TEXT);
    dc->SetWindowOrgEx(0, 0);
    dc->SetViewportOrgEx(0, 0);
    if (info.bZoomed) {
        dc->ScaleViewportExtEx(info.zoom.numX, info.zoom.denomX, info.zoom.numY, info.zoom.denomY);
    }
    {
        auto section = EnterDeviceSection();
        if (back->Lock()) {
            platform::SurfacePixels pixels;
            const platform::PixelFormat* format = nullptr;
            if (back->GetLockInfo(&pixels.bits, &pixels.pitch, &format) && format != nullptr) {
                pixels.width = back->GetWidth();
                pixels.height = back->GetHeight();
                pixels.format = *format;
                dc->StretchBlt(info.prcBounds, pixels, Rect{0, 0, pixels.width, pixels.height});
            }
            back->Unlock();
        }
    }
    dc->RestoreDC(saved);
    return 0;
}
