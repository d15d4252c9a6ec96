#include "studio/shell/panes/InfoFacts.h"

#include "imaging/PictureInfo.h"
#include "imaging/PictureLoader.h"
#include "platform/text/Text.h"
#include "studio/core/GalleryImage.h"

namespace {

constexpr char kUnknown[] = "Unknown";

}  // namespace

FileFacts GatherFileFacts(const std::string& path, const GalleryImage* record) {
    FileFacts facts;
    if (record == nullptr) return facts;
    facts.width = record->width;
    facts.height = record->height;
    facts.fileSize = record->fileSize;
    facts.imageBytes = record->imageBytes;
    if (record->width != 0) return facts;

    PictureInfo info;
    if (ReadPictureInfo(path, &info)) {
        facts.width = info.width;
        facts.height = info.height;
        // Large pictures overflow 32 bits here long before they fail to decode.
        facts.imageBytes =
            static_cast<std::int64_t>(info.width) * info.height * info.bitsPerPixel / 8;
    }
    return facts;
}

void DescribeFacts(const FileFacts& facts, InfoTexts& texts) {
    texts.pixels = facts.width == 0 || facts.height == 0
                       ? kUnknown
                       : platform::FormatC("%dx%d pixels", facts.width, facts.height);
    texts.fileSize = facts.fileSize == 0
                         ? kUnknown
                         : platform::FormatC("%lld bytes", static_cast<long long>(facts.fileSize));
    if (facts.imageBytes == 0) {
        texts.imageSize = kUnknown;
        texts.compression = kUnknown;
        return;
    }
    texts.imageSize = platform::FormatC("%lld bytes", static_cast<long long>(facts.imageBytes));
    texts.compression = platform::FormatC("%2.2f%%", static_cast<double>(facts.fileSize) * 100.0 /
                                                         static_cast<double>(facts.imageBytes));
}
