#pragma once

#include <QEvent>

#include "studio/shell/fileview/FileWorkers.h"

// What the workers post to the list's thread.
inline constexpr QEvent::Type kListingEvent = static_cast<QEvent::Type>(QEvent::User + 1);
inline constexpr QEvent::Type kPictureEvent = static_cast<QEvent::Type>(QEvent::User + 2);
inline constexpr QEvent::Type kLoadDoneEvent = static_cast<QEvent::Type>(QEvent::User + 3);
inline constexpr QEvent::Type kFolderChangedEvent = static_cast<QEvent::Type>(QEvent::User + 6);

struct ListingEvent final : QEvent {
    explicit ListingEvent(FolderListing value) : QEvent(kListingEvent), listing(std::move(value)) {}
    FolderListing listing;
};

struct PictureEvent final : QEvent {
    explicit PictureEvent(ItemPicture value) : QEvent(kPictureEvent), picture(std::move(value)) {}
    ItemPicture picture;
};

// The loader found nothing to list, or the thumbnail worker is through.
struct LoadDoneEvent final : QEvent {
    LoadDoneEvent(int generationValue, bool finished)
        : QEvent(kLoadDoneEvent), generation(generationValue), thumbnailsDone(finished) {}
    int generation;
    bool thumbnailsDone;
};
