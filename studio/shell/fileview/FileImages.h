#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

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
    QImage image;  // 64 x 64, RGB
    ImageInfo info;
};

// Decodes a file into a thumbnail on white, with the animation mark when `marked`; none
// when the decoder rejects the file. Safe on any thread.
std::optional<RenderedThumbnail> RenderFileThumbnail(const std::string& path, bool marked);
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

    int Count() const { return static_cast<int>(images_.size()); }
    const QImage& Image(int slot) const;
    // The slot's picture as an item shows it, made once per picture.
    const QIcon& Icon(int slot);
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
    void Unindex(int slot);

    std::vector<QImage> images_;
    std::vector<QIcon> icons_;  // by slot; null until first asked for
    std::map<std::string, int> iconSlots_;
    int nextIconSlot_ = kFirstIconSlot;
    std::map<int, ImageInfo> thumbnails_;
    // The valid thumbnails' slots by the path they were made from. Names differing only in
    // case are different files here, so the path is the key as the file system spells it.
    std::unordered_map<std::string, int> byName_;
};
