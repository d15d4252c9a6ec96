#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QByteArray>
#include <QIcon>
#include <QImage>

#include "studio/shell/fileview/FileItem.h"

// Slots of the list's pictures that never hold a thumbnail.
enum FixedSlot : int {
    kSlotPlaceholder = 0,
    kSlotFolder = 1,
    kSlotBroken = 2,
    kSlotPage = 4,
    kSlotMark = 5,
    kFirstIconSlot = 6,
    kLastIconSlot = 31,
    kFirstThumbnailSlot = 32,
};
constexpr int kThumbSize = 64;

// A thumbnail made off the window thread: plain values only.
struct RenderedThumbnail {
    QImage image;  // 64 x 64, RGB; may be dropped once `packed` holds it
    ImageInfo info;
    QByteArray packed;  // the picture as the list keeps it; made from `image` when empty
};

// A list holds every thumbnail of its folder, tens of thousands of them, but draws only a
// screenful: each is kept compressed and expanded when drawn. A picture of at most 256
// colours (artwork, flat fills) is kept exactly; a photograph as a JPEG of good quality.
QByteArray PackThumbnail(const QImage& image);
// The picture a packed thumbnail holds; a null image for bytes that are none.
QImage UnpackThumbnail(const QByteArray& packed);

// Decodes a file into a thumbnail on white, with the animation mark when `marked`; none
// when the decoder rejects the file. The image is the one the list will show: it has been
// through PackThumbnail, whose bytes come with it. Safe on any thread.
std::optional<RenderedThumbnail> RenderFileThumbnail(const std::string& path, bool marked);
// The same with only the packed bytes unless `expand` (workers: the list expands what it draws).
std::optional<RenderedThumbnail> RenderFileThumbnail(const std::string& path, bool marked,
                                                     bool expand);
// Replaces the decoder behind RenderFileThumbnail (tests: a slow or counting one); an
// empty function restores the real one. Returns the one before.
using ThumbnailRenderer = std::function<std::optional<RenderedThumbnail>(const std::string&)>;
ThumbnailRenderer SetThumbnailRenderer(ThumbnailRenderer renderer);
// The 13 x 10 mark of a picture with an animation, and where it goes.
QImage AnimationMark();
// The fixed artwork of slots 0-5.
QImage FixedArtwork(int slot);

// The list's pictures by slot, the cache of theme icons in slots 6-31 and what is known
// of each thumbnail. Lives on the window thread.
class FileImages {
public:
    FileImages();

    int Count() const { return static_cast<int>(fixed_.size() + packed_.size()); }
    // The slot's picture (the placeholder's for a slot that is not there).
    QImage Image(int slot) const;
    // The slot's picture in the form the list keeps it, empty for a fixed slot.
    QByteArray Packed(int slot) const;
    // The slot's picture as an item shows it. A thumbnail's is expanded when first drawn and
    // kept only among the last few hundred drawn, so memory follows the screen, not the folder.
    QIcon Icon(int slot);
    // How many thumbnails are held expanded.
    int ExpandedCount() const { return static_cast<int>(expanded_.size()); }
    // Back to the 32 fixed slots with no thumbnail.
    void CutToFixed();

    // The slot showing a theme icon, made on first use; 0 when none can be made.
    int GetIconImage(const std::string& iconName);

    // The slot a new thumbnail goes to: the hint when `replace`; else past the end when
    // the hint is, or the first slot from the hint on that holds no valid thumbnail.
    static int PickSlot(int hint, bool replace, int count,
                        const std::map<int, ImageInfo>& thumbnails);
    // Stores a thumbnail at the slot PickSlot gives (appending at the end).
    int AddThumbnail(int hint, RenderedThumbnail thumbnail, bool replace);
    // The slot of the file's thumbnail (exact path), 0 when none. Looked up by name, so a
    // folder of many thousand files costs no more per file than one of ten.
    int FindThumbnailIndex(const std::string& path) const;
    const ImageInfo* GetImageInfo(const std::string& path) const;
    bool SetImageIptc(const std::string& path, const IPTCData& iptc);
    void Invalidate(int slot);
    const std::map<int, ImageInfo>& Thumbnails() const { return thumbnails_; }

private:
    void SetImage(int slot, QImage image);
    void SetPacked(int slot, QByteArray packed);
    void Unindex(int slot);
    void Forget(int slot);

    std::vector<QImage> fixed_;       // slots below kFirstThumbnailSlot
    std::vector<QIcon> icons_;        // of the fixed slots; null until first asked for
    std::vector<QByteArray> packed_;  // slot kFirstThumbnailSlot + i
    // The thumbnails drawn lately, expanded, the latest at the front.
    struct Expanded {
        int slot;
        QIcon icon;
    };
    std::list<Expanded> expanded_;
    std::unordered_map<int, std::list<Expanded>::iterator> expandedBySlot_;
    std::map<std::string, int> iconSlots_;
    int nextIconSlot_ = kFirstIconSlot;
    std::map<int, ImageInfo> thumbnails_;
    // The valid thumbnails' slots by the path they were made from. Names differing only in
    // case are different files here, so the path is the key as the file system spells it.
    std::unordered_map<std::string, int> byName_;
};
