#include "studio/shell/fileview/FileImages.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include <QBuffer>
#include <QIcon>
#include <QPainter>

#include "platform/bitmap/DibSection.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/DibImage.h"

namespace {

std::mutex rendererMutex;
ThumbnailRenderer& CustomRenderer() {
    static ThumbnailRenderer renderer;
    return renderer;
}

std::optional<RenderedThumbnail> DecodeThumbnail(const std::string& path) {
    PictureInfo info;
    Vector2<int> size{0, 0};
    IPTCData iptc;
    auto dib = RenderThumbnail(Vector2<int>{kThumbSize, kThumbSize}, path, &info, &size, 0xFFFFFF,
                               0, &iptc);
    if (!dib) return std::nullopt;
    RenderedThumbnail out;
    out.image = ToQImage(*dib).convertToFormat(QImage::Format_RGB32);
    out.info.valid = true;
    out.info.width = size.x;
    out.info.height = size.y;
    out.info.imageBytes = static_cast<std::int64_t>(size.y) * info.bitsPerPixel * size.x / 8;
    out.info.hasIptc = iptc.valid;
    if (out.info.hasIptc) out.info.iptc = iptc;
    return out;
}

// Enough expanded thumbnails (16 KB each) for a screenful of cells and a little scrolling:
// a 3840 x 2160 list shows about 760 cells, and a repaint walks them all in order, so a cache
// smaller than a screenful would expand every one of them again on every paint.
constexpr std::size_t kExpandedKept = 1024;
constexpr int kPackedQuality = 85;

QByteArray Encoded(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, format, quality)) return {};
    buffer.close();
    bytes.squeeze();  // the buffer grew in steps: keep only what is used
    return bytes;
}

bool FewColours(const QImage& rgb) {
    constexpr std::size_t kFew = 256;
    std::vector<QRgb> seen;
    seen.reserve(kFew + 1);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (!seen.empty() && seen.back() == row[x]) continue;
            if (std::find(seen.begin(), seen.end(), row[x]) != seen.end()) continue;
            seen.push_back(row[x]);
            if (seen.size() > kFew) return false;
        }
    }
    return true;
}

QImage Blank(QColor colour) {
    QImage image(kThumbSize, kThumbSize, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

}  // namespace

ThumbnailRenderer SetThumbnailRenderer(ThumbnailRenderer renderer) {
    std::lock_guard lock(rendererMutex);
    std::swap(CustomRenderer(), renderer);
    return renderer;
}

std::optional<RenderedThumbnail> RenderFileThumbnail(const std::string& path, bool marked) {
    return RenderFileThumbnail(path, marked, true);
}

std::optional<RenderedThumbnail> RenderFileThumbnail(const std::string& path, bool marked,
                                                     bool expand) {
    ThumbnailRenderer custom;
    {
        std::lock_guard lock(rendererMutex);
        custom = CustomRenderer();
    }
    std::optional<RenderedThumbnail> out = custom ? custom(path) : DecodeThumbnail(path);
    if (!out || out->image.isNull()) return std::nullopt;
    out->image = out->image.convertToFormat(QImage::Format_RGB32);
    out->info.valid = true;
    out->info.fileName = path;
    out->info.fileSize = std::max<std::int64_t>(FileSizeOf(path), 0);
    if (marked) {
        QPainter painter(&out->image);
        painter.drawImage(49, 2, AnimationMark());
    }
    out->packed = PackThumbnail(out->image);
    if (out->packed.isEmpty()) return std::nullopt;
    out->image = expand ? UnpackThumbnail(out->packed) : QImage();
    return out;
}

QByteArray PackThumbnail(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    // Artwork of a few colours is kept exactly (and smaller so); a photograph has thousands.
    if (FewColours(rgb)) return Encoded(rgb, "PNG", -1);
    QByteArray photo = Encoded(rgb, "JPG", kPackedQuality);
    return photo.isEmpty() ? Encoded(rgb, "PNG", -1) : photo;
}

QImage UnpackThumbnail(const QByteArray& packed) {
    QImage image;
    // Named, the format needs no guessing: that would ask every image plug-in in turn.
    const char* format = packed.startsWith("\x89PNG") ? "PNG" : "JPG";
    if (packed.isEmpty() || !image.loadFromData(packed, format)) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage AnimationMark() {
    QImage mark(13, 10, QImage::Format_RGB32);
    mark.fill(QColor(255, 255, 255));
    QPainter painter(&mark);
    painter.setPen(QColor(0, 0, 0));
    painter.setBrush(QColor(200, 0, 0));
    painter.drawRect(0, 0, 12, 9);
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(3, 2, 3, 7);  // a film frame: two bars
    painter.drawLine(9, 2, 9, 7);
    return mark;
}

QImage FixedArtwork(int slot) {
    QImage image = Blank(QColor(255, 255, 255));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (slot) {
        case kSlotFolder:
            painter.setPen(QColor(150, 110, 20));
            painter.setBrush(QColor(240, 200, 80));
            painter.drawRect(8, 16, 48, 36);
            painter.drawRect(8, 10, 20, 6);
            break;
        case kSlotBroken:
            painter.setPen(QColor(120, 120, 120));
            painter.drawRect(10, 10, 44, 44);
            painter.setPen(QPen(QColor(200, 0, 0), 3));
            painter.drawLine(16, 16, 48, 48);
            painter.drawLine(48, 16, 16, 48);
            break;
        case kSlotPage:
            painter.setPen(QColor(60, 60, 60));
            painter.setBrush(QColor(250, 250, 250));
            painter.drawRect(14, 6, 36, 52);
            painter.setPen(QColor(40, 80, 200));
            for (int y = 16; y < 52; y += 6) painter.drawLine(20, y, 44, y);
            break;
        case kSlotMark:
            painter.drawImage(49, 2, AnimationMark());
            break;
        default:  // the placeholder
            painter.setPen(QColor(200, 200, 200));
            painter.setBrush(QColor(236, 236, 236));
            painter.drawRect(12, 12, 40, 40);
            break;
    }
    return image;
}

FileImages::FileImages() {
    CutToFixed();
}

QImage FileImages::Image(int slot) const {
    if (slot < 0 || slot >= Count()) return fixed_[kSlotPlaceholder];
    if (slot < kFirstThumbnailSlot) return fixed_[static_cast<std::size_t>(slot)];
    return UnpackThumbnail(packed_[static_cast<std::size_t>(slot - kFirstThumbnailSlot)]);
}

QByteArray FileImages::Packed(int slot) const {
    if (slot < kFirstThumbnailSlot || slot >= Count()) return {};
    return packed_[static_cast<std::size_t>(slot - kFirstThumbnailSlot)];
}

QIcon FileImages::Icon(int slot) {
    if (slot < 0 || slot >= Count()) slot = kSlotPlaceholder;
    if (slot < kFirstThumbnailSlot) {
        QIcon& icon = icons_[static_cast<std::size_t>(slot)];
        if (icon.isNull()) icon = QIcon(QPixmap::fromImage(fixed_[static_cast<std::size_t>(slot)]));
        return icon;
    }
    if (const auto found = expandedBySlot_.find(slot); found != expandedBySlot_.end()) {
        expanded_.splice(expanded_.begin(), expanded_, found->second);
        return found->second->icon;
    }
    const QImage image = Image(slot);
    if (image.isNull()) return Icon(kSlotPlaceholder);
    if (expanded_.size() >= kExpandedKept) {
        expandedBySlot_.erase(expanded_.back().slot);
        expanded_.pop_back();
    }
    expanded_.push_front({slot, QIcon(QPixmap::fromImage(image))});
    expandedBySlot_[slot] = expanded_.begin();
    return expanded_.front().icon;
}

void FileImages::Forget(int slot) {
    if (slot < kFirstThumbnailSlot) {
        icons_[static_cast<std::size_t>(slot)] = QIcon();
        return;
    }
    if (const auto found = expandedBySlot_.find(slot); found != expandedBySlot_.end()) {
        expanded_.erase(found->second);
        expandedBySlot_.erase(found);
    }
}

void FileImages::SetImage(int slot, QImage image) {
    // Only the fixed slots hold pictures as they are.
    fixed_[static_cast<std::size_t>(slot)] = std::move(image);
    Forget(slot);
}

void FileImages::SetPacked(int slot, QByteArray packed) {
    if (slot == Count()) {
        packed_.push_back(std::move(packed));
    } else {
        packed_[static_cast<std::size_t>(slot - kFirstThumbnailSlot)] = std::move(packed);
    }
    Forget(slot);
}

void FileImages::CutToFixed() {
    if (fixed_.size() < kFirstThumbnailSlot) {
        fixed_.resize(kFirstThumbnailSlot);
        for (int slot = 0; slot < kFirstThumbnailSlot; ++slot) {
            fixed_[slot] = FixedArtwork(slot > kSlotMark || slot == 3 ? 0 : slot);
        }
        icons_.resize(kFirstThumbnailSlot);
    }
    // Swapped out, not cleared: a folder of many thousand leaves no capacity behind.
    std::vector<QByteArray>().swap(packed_);
    expanded_.clear();
    std::unordered_map<int, std::list<Expanded>::iterator>().swap(expandedBySlot_);
    thumbnails_.clear();
    std::unordered_map<std::string, int>().swap(byName_);
}

int FileImages::GetIconImage(const std::string& iconName) {
    if (const auto found = iconSlots_.find(iconName);
        found != iconSlots_.end() && found->second != 0) {
        return found->second;
    }
    const QIcon icon = QIcon::fromTheme(QString::fromStdString(iconName));
    if (icon.isNull()) return 0;
    QSize size = icon.actualSize(QSize(32, 32));
    if (!size.isValid() || size.isEmpty()) size = QSize(32, 32);
    QImage image = Blank(QColor(255, 255, 255));
    {
        QPainter painter(&image);
        painter.drawPixmap((kThumbSize - size.width()) / 2, kThumbSize - size.height(),
                           icon.pixmap(size));
    }
    const int slot = nextIconSlot_;
    SetImage(slot, image);
    // A slot used again must not still answer for the icon it showed before.
    for (auto it = iconSlots_.begin(); it != iconSlots_.end();) {
        it = it->second == slot ? iconSlots_.erase(it) : std::next(it);
    }
    iconSlots_[iconName] = slot;
    nextIconSlot_ = slot == kLastIconSlot ? kFirstIconSlot : slot + 1;
    return slot;
}

int FileImages::PickSlot(int hint, bool replace, int count,
                         const std::map<int, ImageInfo>& thumbnails) {
    hint = std::max(hint, static_cast<int>(kFirstThumbnailSlot));
    if (replace) return std::min(hint, count);
    if (hint >= count) return count;
    for (;;) {
        const auto found = thumbnails.find(hint);
        if (found == thumbnails.end() || !found->second.valid) break;
        ++hint;
    }
    return std::min(hint, count);
}

int FileImages::AddThumbnail(int hint, RenderedThumbnail thumbnail, bool replace) {
    const int slot = PickSlot(hint, replace, Count(), thumbnails_);
    if (thumbnail.packed.isEmpty()) thumbnail.packed = PackThumbnail(thumbnail.image);
    SetPacked(slot, std::move(thumbnail.packed));
    Unindex(slot);
    thumbnail.info.valid = true;
    // One thumbnail per file: an older one of the same file gives up its name.
    if (const auto older = byName_.find(thumbnail.info.fileName); older != byName_.end()) {
        thumbnails_[older->second].valid = false;
        byName_.erase(older);
    }
    byName_[thumbnail.info.fileName] = slot;
    thumbnails_[slot] = std::move(thumbnail.info);
    return slot;
}

void FileImages::Unindex(int slot) {
    const auto found = thumbnails_.find(slot);
    if (found == thumbnails_.end() || !found->second.valid) return;
    const auto named = byName_.find(found->second.fileName);
    if (named != byName_.end() && named->second == slot) byName_.erase(named);
}

int FileImages::FindThumbnailIndex(const std::string& path) const {
    const auto found = byName_.find(path);
    return found != byName_.end() ? found->second : 0;
}

const ImageInfo* FileImages::GetImageInfo(const std::string& path) const {
    const int slot = FindThumbnailIndex(path);
    if (slot < kFirstThumbnailSlot) return nullptr;
    return &thumbnails_.at(slot);
}

bool FileImages::SetImageIptc(const std::string& path, const IPTCData& iptc) {
    const int slot = FindThumbnailIndex(path);
    if (slot < kFirstThumbnailSlot) return false;
    ImageInfo& info = thumbnails_.at(slot);
    info.iptc = iptc;
    info.hasIptc = true;
    return true;
}

void FileImages::Invalidate(int slot) {
    Unindex(slot);
    if (const auto found = thumbnails_.find(slot); found != thumbnails_.end()) {
        found->second.valid = false;
    }
}
