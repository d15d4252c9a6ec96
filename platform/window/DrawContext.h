#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "geometry/Geometry.h"
#include "platform/gfx/Framebuffer.h"

class QImage;
class QPaintDevice;

namespace platform {

using COLORREF = std::uint32_t;  // 0x00BBGGRR
inline constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// A brush of one colour, owned by whoever made it (a parent window answering for its
// children's background, say); plain data, so any copy of this layer can paint with it.
struct SolidBrush {
    COLORREF colour = 0;
};
using HBRUSH = const SolidBrush*;

// System colours; a brush for FillRect is a colour's number + 1.
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Text alignment: one horizontal and one vertical choice, or-ed.
inline constexpr int TA_LEFT = 0;
inline constexpr int TA_RIGHT = 2;
inline constexpr int TA_CENTER = 6;
inline constexpr int TA_TOP = 0;
inline constexpr int TA_BOTTOM = 8;
inline constexpr int TA_BASELINE = 24;

// Map modes.
inline constexpr int MM_TEXT = 1;
inline constexpr int MM_ISOTROPIC = 7;
inline constexpr int MM_ANISOTROPIC = 8;

// GetDeviceCaps questions and the technologies.
inline constexpr int TECHNOLOGY = 2;
inline constexpr int HORZSIZE = 4;  // millimetres
inline constexpr int VERTSIZE = 6;
inline constexpr int HORZRES = 8;  // pixels
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int PHYSICALWIDTH = 110;
inline constexpr int PHYSICALHEIGHT = 111;
inline constexpr int PHYSICALOFFSETX = 112;
inline constexpr int PHYSICALOFFSETY = 113;
inline constexpr int DT_RASDISPLAY = 1;
inline constexpr int DT_RASPRINTER = 2;
inline constexpr int DT_METAFILE = 5;

// What a page-oriented device reports beyond its drawable area, in device pixels.
struct PageMetrics {
    int physicalWidth = 0;
    int physicalHeight = 0;
    int offsetX = 0;
    int offsetY = 0;
};

// A device context: drawing with logical coordinates mapped onto a device. Over a window's
// framebuffer it is a display; over a printer's paint device, a printer.
class DrawContext {
public:
    // `image` must outlive the context.
    explicit DrawContext(QImage& image, int technology = DT_RASDISPLAY);
    // A paint device of another kind; the metrics describe its page (zero: its own size).
    DrawContext(QPaintDevice& device, int technology, PageMetrics page);
    ~DrawContext();
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    int GetDeviceCaps(int index) const;

    // The rectangle without its right and bottom edges, in logical coordinates. `brush` is
    // a system colour + 1; false for another.
    bool FillRect(const Rect& rect, int brush);
    bool FillRect(const Rect& rect, const SolidBrush& brush);

    int SetBkMode(int mode);  // returns the previous one
    int GetBkMode() const;
    COLORREF SetBkColor(COLORREF colour);
    COLORREF SetTextColor(COLORREF colour);
    int SetTextAlign(int align);
    int GetTextAlign() const;
    // UTF-8 text at a reference point that the alignment places: TA_CENTER | TA_BASELINE
    // centres the text on x with its baseline on y. An opaque background fills the text's
    // cell with the background colour first.
    bool TextOut(int x, int y, std::string_view text);

    // Saves the modes, colours, origins and extents; the number to restore them with.
    int SaveDC();
    // A positive number restores that save (dropping later ones); a negative one counts
    // back from the newest. False when there is no such save.
    bool RestoreDC(int saved);

    int SetMapMode(int mode);  // 0 for an unknown mode
    int GetMapMode() const;
    bool SetWindowOrgEx(int x, int y, Vector2<int>* previous = nullptr);
    bool SetViewportOrgEx(int x, int y, Vector2<int>* previous = nullptr);
    // Extents count only in MM_ISOTROPIC and MM_ANISOTROPIC; elsewhere they are refused.
    bool SetWindowExtEx(int x, int y, Vector2<int>* previous = nullptr);
    bool SetViewportExtEx(int x, int y, Vector2<int>* previous = nullptr);
    bool ScaleViewportExtEx(int xNum, int xDenom, int yNum, int yDenom,
                            Vector2<int>* previous = nullptr);
    bool DPtoLP(Vector2<int>* points, int count) const;
    bool LPtoDP(Vector2<int>* points, int count) const;

    // Copies `source` (a rectangle of locked surface pixels) onto `destination` in logical
    // coordinates, scaled to fit. Sources of 16 bits (5-6-5 or 5-5-5), 24 bits and 32 bits
    // with red in the high bits are read; false for others.
    bool StretchBlt(const Rect& destination, const SurfacePixels& pixels, const Rect& source);

private:
    struct State;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
