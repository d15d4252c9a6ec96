#include "platform/window/DrawContext.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

namespace platform {

struct DrawContext::State {
    int mapMode = MM_TEXT;
    Vector2<int> windowOrg;
    Vector2<int> viewportOrg;
    Vector2<int> windowExt{1, 1};
    Vector2<int> viewportExt{1, 1};
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    int textAlign = TA_LEFT | TA_TOP;
};

struct DrawContext::Impl {
    QPaintDevice* device = nullptr;
    QImage* image = nullptr;
    int technology = DT_RASDISPLAY;
    PageMetrics page;
    State state;
    std::vector<State> saved;

    bool ExtentsApply() const {
        return state.mapMode == MM_ISOTROPIC || state.mapMode == MM_ANISOTROPIC;
    }

    // Device units per logical unit on each axis. In MM_ISOTROPIC both axes take the
    // smaller magnitude, so that a logical square stays square.
    void Scale(double& sx, double& sy) const {
        sx = static_cast<double>(state.viewportExt.x) / state.windowExt.x;
        sy = static_cast<double>(state.viewportExt.y) / state.windowExt.y;
        if (state.mapMode == MM_ISOTROPIC) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
    }

    QTransform Transform() const {
        double sx = 1;
        double sy = 1;
        Scale(sx, sy);
        return QTransform(sx, 0, 0, sy, state.viewportOrg.x - state.windowOrg.x * sx,
                          state.viewportOrg.y - state.windowOrg.y * sy);
    }

    void Begin(QPainter& painter) const {
        painter.begin(device);
        painter.setTransform(Transform());
    }
};

namespace {

QColor ToColor(COLORREF c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QRectF ToRectF(const Rect& r) {
    return QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// The QImage format of surface pixels, or Invalid for a layout we do not read.
QImage::Format SourceFormat(const PixelFormat& f) {
    if (f.rgbBitCount == 16 && f.redMask == 0xF800 && f.greenMask == 0x07E0 &&
        f.blueMask == 0x001F) {
        return QImage::Format_RGB16;
    }
    if (f.rgbBitCount == 16 && f.redMask == 0x7C00 && f.greenMask == 0x03E0 &&
        f.blueMask == 0x001F) {
        return QImage::Format_RGB555;
    }
    if (f.redMask == 0xFF0000 && f.greenMask == 0x00FF00 && f.blueMask == 0x0000FF) {
        if (f.rgbBitCount == 24) return QImage::Format_BGR888;
        if (f.rgbBitCount == 32) return QImage::Format_RGB32;
    }
    return QImage::Format_Invalid;
}

}  // namespace

DrawContext::DrawContext(QImage& image, int technology) : impl_(std::make_unique<Impl>()) {
    impl_->device = &image;
    impl_->image = &image;
    impl_->technology = technology;
}

DrawContext::DrawContext(QPaintDevice& device, int technology, PageMetrics page)
    : impl_(std::make_unique<Impl>()) {
    impl_->device = &device;
    impl_->technology = technology;
    impl_->page = page;
}

DrawContext::~DrawContext() = default;

int DrawContext::GetDeviceCaps(int index) const {
    const QPaintDevice& d = *impl_->device;
    const PageMetrics& page = impl_->page;
    switch (index) {
        case TECHNOLOGY:
            return impl_->technology;
        case HORZSIZE:
            return d.widthMM();
        case VERTSIZE:
            return d.heightMM();
        case HORZRES:
            return d.width();
        case VERTRES:
            return d.height();
        case BITSPIXEL:
            return d.depth();
        case LOGPIXELSX:
            return d.logicalDpiX();
        case LOGPIXELSY:
            return d.logicalDpiY();
        case PHYSICALWIDTH:
            return page.physicalWidth > 0 ? page.physicalWidth : d.width();
        case PHYSICALHEIGHT:
            return page.physicalHeight > 0 ? page.physicalHeight : d.height();
        case PHYSICALOFFSETX:
            return page.offsetX;
        case PHYSICALOFFSETY:
            return page.offsetY;
        default:
            return 0;
    }
}

bool DrawContext::FillRect(const Rect& rect, int brush) {
    QPalette::ColorRole role;
    switch (brush - 1) {
        case COLOR_WINDOW:
            role = QPalette::Base;
            break;
        case COLOR_WINDOWFRAME:
            role = QPalette::WindowText;
            break;
        default:
            return false;
    }
    QPainter painter;
    impl_->Begin(painter);
    painter.fillRect(ToRectF(rect), QGuiApplication::palette().color(QPalette::Active, role));
    return true;
}

bool DrawContext::FillRect(const Rect& rect, const SolidBrush& brush) {
    QPainter painter;
    impl_->Begin(painter);
    painter.fillRect(ToRectF(rect), QColor(static_cast<int>(brush.colour & 0xFF),
                                           static_cast<int>((brush.colour >> 8) & 0xFF),
                                           static_cast<int>((brush.colour >> 16) & 0xFF)));
    return true;
}

int DrawContext::SetBkMode(int mode) {
    if (mode != OPAQUE && mode != TRANSPARENT) return 0;
    return std::exchange(impl_->state.bkMode, mode);
}

int DrawContext::GetBkMode() const {
    return impl_->state.bkMode;
}

COLORREF DrawContext::SetBkColor(COLORREF colour) {
    return std::exchange(impl_->state.bkColor, colour & 0xFFFFFF);
}

COLORREF DrawContext::SetTextColor(COLORREF colour) {
    return std::exchange(impl_->state.textColor, colour & 0xFFFFFF);
}

int DrawContext::SetTextAlign(int align) {
    return std::exchange(impl_->state.textAlign, align);
}

int DrawContext::GetTextAlign() const {
    return impl_->state.textAlign;
}

bool DrawContext::TextOut(int x, int y, std::string_view text) {
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QPainter painter;
    impl_->Begin(painter);
    const QFontMetricsF metrics(painter.font(), impl_->device);
    const double advance = metrics.horizontalAdvance(string);
    const State& s = impl_->state;

    // TA_CENTER shares its bit with TA_RIGHT, and TA_BASELINE with TA_BOTTOM.
    double left = x;
    if ((s.textAlign & TA_CENTER) == TA_CENTER) {
        left = x - advance / 2;
    } else if ((s.textAlign & TA_RIGHT) == TA_RIGHT) {
        left = x - advance;
    }
    double baseline = y + metrics.ascent();
    if ((s.textAlign & TA_BASELINE) == TA_BASELINE) {
        baseline = y;
    } else if ((s.textAlign & TA_BOTTOM) == TA_BOTTOM) {
        baseline = y - metrics.descent();
    }

    if (s.bkMode == OPAQUE) {
        painter.fillRect(QRectF(left, baseline - metrics.ascent(), advance,
                                metrics.ascent() + metrics.descent()),
                         ToColor(s.bkColor));
    }
    painter.setPen(ToColor(s.textColor));
    painter.drawText(QPointF(left, baseline), string);
    return true;
}

int DrawContext::SaveDC() {
    impl_->saved.push_back(impl_->state);
    return static_cast<int>(impl_->saved.size());
}

bool DrawContext::RestoreDC(int saved) {
    const int count = static_cast<int>(impl_->saved.size());
    const int index = saved > 0 ? saved : count + saved + 1;
    if (saved == 0 || index < 1 || index > count) return false;
    impl_->state = impl_->saved[static_cast<std::size_t>(index - 1)];
    impl_->saved.resize(static_cast<std::size_t>(index - 1));
    return true;
}

int DrawContext::SetMapMode(int mode) {
    if (mode != MM_TEXT && mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC) return 0;
    const int previous = std::exchange(impl_->state.mapMode, mode);
    if (mode == MM_TEXT) {
        impl_->state.windowExt = Vector2<int>(1, 1);
        impl_->state.viewportExt = Vector2<int>(1, 1);
    }
    return previous;
}

int DrawContext::GetMapMode() const {
    return impl_->state.mapMode;
}

bool DrawContext::SetWindowOrgEx(int x, int y, Vector2<int>* previous) {
    if (previous != nullptr) *previous = impl_->state.windowOrg;
    impl_->state.windowOrg = Vector2<int>(x, y);
    return true;
}

bool DrawContext::SetViewportOrgEx(int x, int y, Vector2<int>* previous) {
    if (previous != nullptr) *previous = impl_->state.viewportOrg;
    impl_->state.viewportOrg = Vector2<int>(x, y);
    return true;
}

bool DrawContext::SetWindowExtEx(int x, int y, Vector2<int>* previous) {
    if (previous != nullptr) *previous = impl_->state.windowExt;
    if (!impl_->ExtentsApply() || x == 0 || y == 0) return false;
    impl_->state.windowExt = Vector2<int>(x, y);
    return true;
}

bool DrawContext::SetViewportExtEx(int x, int y, Vector2<int>* previous) {
    if (previous != nullptr) *previous = impl_->state.viewportExt;
    if (!impl_->ExtentsApply() || x == 0 || y == 0) return false;
    impl_->state.viewportExt = Vector2<int>(x, y);
    return true;
}

bool DrawContext::ScaleViewportExtEx(int xNum, int xDenom, int yNum, int yDenom,
                                     Vector2<int>* previous) {
    const Vector2<int> extent = impl_->state.viewportExt;
    if (previous != nullptr) *previous = extent;
    if (xDenom == 0 || yDenom == 0) return false;
    const auto x = static_cast<int>(static_cast<long long>(extent.x) * xNum / xDenom);
    const auto y = static_cast<int>(static_cast<long long>(extent.y) * yNum / yDenom);
    return SetViewportExtEx(x, y);
}

bool DrawContext::DPtoLP(Vector2<int>* points, int count) const {
    double sx = 1;
    double sy = 1;
    impl_->Scale(sx, sy);
    const State& s = impl_->state;
    for (int i = 0; i < count; ++i) {
        Vector2<int>& p = points[i];
        p = Vector2<int>(
            static_cast<int>(std::lround((p.x - s.viewportOrg.x) / sx)) + s.windowOrg.x,
            static_cast<int>(std::lround((p.y - s.viewportOrg.y) / sy)) + s.windowOrg.y);
    }
    return true;
}

bool DrawContext::LPtoDP(Vector2<int>* points, int count) const {
    double sx = 1;
    double sy = 1;
    impl_->Scale(sx, sy);
    const State& s = impl_->state;
    for (int i = 0; i < count; ++i) {
        Vector2<int>& p = points[i];
        p = Vector2<int>(
            static_cast<int>(std::lround((p.x - s.windowOrg.x) * sx)) + s.viewportOrg.x,
            static_cast<int>(std::lround((p.y - s.windowOrg.y) * sy)) + s.viewportOrg.y);
    }
    return true;
}

bool DrawContext::StretchBlt(const Rect& destination, const SurfacePixels& pixels,
                             const Rect& source) {
    const QImage::Format format = SourceFormat(pixels.format);
    if (format == QImage::Format_Invalid || pixels.bits == nullptr || pixels.width <= 0 ||
        pixels.height <= 0 || pixels.pitch <= 0) {
        return false;
    }
    const QImage view(pixels.bits, pixels.width, pixels.height,
                      static_cast<qsizetype>(pixels.pitch), format);
    QPainter painter;
    impl_->Begin(painter);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(ToRectF(destination), view, ToRectF(source));
    return true;
}

}  // namespace platform
