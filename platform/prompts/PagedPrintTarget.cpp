#include "platform/prompts/PagedPrintTarget.h"

#include <cerrno>

#include <QFile>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPdfWriter>

#include "platform/window/DrawContext.h"

namespace platform {
namespace {

constexpr int kPdfResolution = 300;
constexpr double kPdfMarginMm = 10.0;

PageMetrics MetricsOf(QPagedPaintDevice& device) {
    const QPageLayout layout = device.pageLayout();
    const int resolution = device.logicalDpiX();
    const QRect full = layout.fullRectPixels(resolution);
    const QRect paint = layout.paintRectPixels(resolution);
    return PageMetrics{full.width(), full.height(), paint.left(), paint.top()};
}

class PagedPrintTarget final : public PrintTarget {
public:
    PagedPrintTarget(std::unique_ptr<QPagedPaintDevice> device, std::string file)
        : device_(std::move(device)),
          context_(*device_, DT_RASPRINTER, MetricsOf(*device_)),
          file_(std::move(file)) {}

    DrawContext& Context() override { return context_; }

    bool StartDoc(std::string_view) override {
        if (inDoc_) return Fail(EBUSY);
        // A file that cannot be written fails here rather than losing the drawing later.
        if (!file_.empty()) {
            QFile probe(QString::fromStdString(file_));
            if (!probe.open(QIODevice::WriteOnly)) return Fail(EACCES);
        }
        inDoc_ = true;
        pages_ = 0;
        return true;
    }
    bool StartPage() override {
        if (!inDoc_ || inPage_) return Fail(EINVAL);
        if (pages_ > 0 && !device_->newPage()) return Fail(EIO);
        inPage_ = true;
        return true;
    }
    bool EndPage() override {
        if (!inPage_) return Fail(EINVAL);
        inPage_ = false;
        ++pages_;
        return true;
    }
    bool EndDoc() override {
        if (!inDoc_) return Fail(EINVAL);
        inDoc_ = false;
        inPage_ = false;
        return true;
    }
    int LastError() const override { return error_; }

private:
    bool Fail(int error) {
        error_ = error;
        return false;
    }

    std::unique_ptr<QPagedPaintDevice> device_;
    DrawContext context_;
    std::string file_;
    bool inDoc_ = false;
    bool inPage_ = false;
    int pages_ = 0;
    int error_ = 0;
};

}  // namespace

std::unique_ptr<PrintTarget> MakePagedPrintTarget(std::unique_ptr<QPagedPaintDevice> device) {
    if (!device) return nullptr;
    return std::make_unique<PagedPrintTarget>(std::move(device), std::string());
}

std::unique_ptr<PrintTarget> MakePdfPrintTarget(const std::string& path) {
    auto writer = std::make_unique<QPdfWriter>(QString::fromStdString(path));
    writer->setResolution(kPdfResolution);
    writer->setPageSize(QPageSize(QPageSize::A4));
    writer->setPageMargins(QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                           QPageLayout::Millimeter);
    return std::make_unique<PagedPrintTarget>(std::move(writer), path);
}

}  // namespace platform
