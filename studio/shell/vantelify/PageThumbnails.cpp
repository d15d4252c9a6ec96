#include "studio/shell/vantelify/PageThumbnails.h"

#include <QPainter>

#include "geometry/Geometry.h"
#include "platform/bitmap/DibSection.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/PageImage.h"
#include "studio/shell/DibImage.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

QImage Blank() {
    QImage image(kPageThumbSize, kPageThumbSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage ToImage(const std::unique_ptr<platform::DibSection>& dib) {
    if (!dib) return Blank();
    const QImage image = ToQImage(*dib).convertToFormat(QImage::Format_RGB32);
    return image.isNull() ? Blank() : image;
}

}  // namespace

std::string PageThumbnailFile(const PageImage& image, const std::string& folder) {
    std::string file = image.plainTag ? image.source : image.zoomSource;
    constexpr std::string_view kFile = "file://";
    if (file.rfind(kFile, 0) == 0) return file.substr(kFile.size());
    if (file.empty() || file.find("://") != std::string::npos) return {};
    return file.front() == '/' ? file : folder + file;
}

QImage ZoomableMark() {
    // A magnifying glass on white, 16 x 14.
    QImage mark(16, 14, QImage::Format_RGB32);
    mark.fill(Qt::white);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 70, 170), 2));
    painter.setBrush(QColor(190, 220, 255));
    painter.drawEllipse(QRectF(2, 1, 8, 8));
    painter.setPen(QPen(QColor(40, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(10, 9), QPointF(14, 12));
    return mark;
}

PageThumbnails MakePageThumbnails(const std::string& file) {
    std::unique_ptr<platform::DibSection> plain;
    if (!file.empty()) {
        plain = RenderThumbnail(Vector2<int>{kPageThumbSize, kPageThumbSize}, file, nullptr,
                                nullptr, kWhite, 0, nullptr);
    }
    if (!plain) plain = ToDibSection(Blank());
    PageThumbnails out;
    out.plain = ToImage(plain);
    if (!plain) {
        out.grey = out.marked = out.plain;
        return out;
    }
    out.grey = ToImage(CreateGreyBitmap(*plain));
    const auto mark = ToDibSection(ZoomableMark());
    out.marked = mark ? ToImage(ConcatBitmaps(*plain, *mark)) : out.plain;
    return out;
}
