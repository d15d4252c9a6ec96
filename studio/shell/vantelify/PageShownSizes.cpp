#include "studio/shell/vantelify/PageShownSizes.h"

#include <memory>

#include <QJsonArray>
#include <QJsonDocument>

#include "studio/projects/PageImage.h"
#include "studio/projects/PageText.h"
#include "studio/shell/viewer/WebBrowser2.h"

namespace {

// width and height are the laid-out size, whatever the picture's format: the browser decoded
// it, where the studio's reader may not know the format at all.
constexpr const char* kReadPictures =
    "(function () {"
    "  var out = [], all = document.images;"
    "  for (var i = 0; i < all.length; ++i) {"
    "    var p = all[i], loaded = p.complete && p.naturalWidth > 0;"
    "    out.push([p.src, loaded ? p.width : 0, loaded ? p.height : 0]);"
    "  }"
    "  return JSON.stringify(out);"
    "})()";

}  // namespace

std::vector<ShownPicture> ReadShownPictures(CWebBrowser2& browser, int waitMs) {
    ScriptAnswer answer;
    if (answer.Start(browser, kReadPictures) && !answer.Done()) answer.Wait(waitMs);
    std::vector<ShownPicture> pictures;
    if (!answer.Done()) return pictures;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(answer.Result()));
    for (const QJsonValue& entry : document.array()) {
        const QJsonArray fields = entry.toArray();
        if (fields.size() != 3) continue;
        ShownPicture picture;
        picture.address = fields[0].toString().toStdString();
        picture.width = fields[1].toInt();
        picture.height = fields[2].toInt();
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

void TakeShownSizes(std::vector<PageImage>& images, const std::vector<ShownPicture>& shown) {
    std::size_t next = 0;
    for (PageImage& image : images) {
        if (!image.plainTag) continue;
        const std::string source = DecodePageUrl(image.source);
        for (std::size_t i = next; i < shown.size(); ++i) {
            if (!IsSameUrl(DecodePageUrl(shown[i].address), source)) continue;
            next = i + 1;
            if (shown[i].width > 0 && shown[i].height > 0) {
                image.shownWidth = shown[i].width;
                image.shownHeight = shown[i].height;
            }
            break;
        }
    }
}
