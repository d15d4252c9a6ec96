#include "studio/projects/PageWriter.h"

#include "platform/text/Text.h"
#include "studio/projects/PageImage.h"
#include "studio/projects/PageText.h"
#include "studio/projects/TemplateEscaping.h"

namespace {

constexpr std::string_view kScriptTag = "<script src='vantelo.js'></script>";

}  // namespace

std::string ZoomableLine(const PageImage& image) {
    // Every converted picture assigns the same script variable: the page script keeps its
    // viewers itself and VT0 only has to exist.
    const std::string zoomSource = EncodePageUrl(image.zoomSource);
    const std::string pagePicture = EncodePageUrl(image.pagePicture);
    std::string line = "<SCRIPT language=JavaScript>VT0 = new Vantelo('";
    line += zoomSource;
    line += platform::FormatC("',%d,%d,'", image.zoomWidth, image.zoomHeight);
    line += pagePicture;
    line += platform::FormatC("',%d,%d);</script><noscript><img src='", image.pageWidth,
                              image.pageHeight);
    // In an attribute '&' starts a character reference ("&copy" would read as one).
    line += EscapeHtml(pagePicture);
    line += platform::FormatC("' width=%d height=%d", image.pageWidth, image.pageHeight);
    // Readers without scripts still get the picture's words.
    if (image.hasAlt) line += " alt='" + EscapeHtml(image.alt) + "'";
    line += "></noscript>";
    return line;
}

std::string PlainPictureTag(const PageImage& image) {
    return "<img src='" + EncodePageUrl(image.zoomSource) +
           platform::FormatC("' border='0' width=%d height=%d>", image.zoomWidth, image.zoomHeight);
}

std::string BuildPageText(const VantelifyPage& page) {
    const std::string& text = page.text;
    std::string out;
    out.reserve(text.size() + kScriptTag.size() + 256 * page.images.size());
    std::size_t written = 0;
    if (page.headOffset > 0 && static_cast<std::size_t>(page.headOffset) <= text.size()) {
        written = static_cast<std::size_t>(page.headOffset);
        out.append(text, 0, written);
        out += kScriptTag;
    }
    for (const PageImage& image : page.images) {
        if (image.start < 0 || image.length < 0) continue;
        const auto start = static_cast<std::size_t>(image.start);
        const auto length = static_cast<std::size_t>(image.length);
        if (start < written || start > text.size() || length > text.size() - start) continue;
        out.append(text, written, start - written);
        // A picture of unknown size stays as it is: a viewer of no size would take a size of
        // its own and move the page around it.
        const bool sized = !image.plainTag || (image.pageWidth > 0 && image.pageHeight > 0);
        if (image.zoomable && sized) {
            out += ZoomableLine(image);
        } else if (image.plainTag) {
            out.append(text, start, length);
        } else {
            out += PlainPictureTag(image);
        }
        written = start + length;
    }
    out.append(text, written, std::string::npos);
    return out;
}
