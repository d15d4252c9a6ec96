#include "studio/projects/PageScan.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>

#include "imaging/PictureInfo.h"
#include "imaging/PictureLoader.h"
#include "platform/debug/Debug.h"
#include "platform/files/MappedFile.h"
#include "platform/text/Ascii.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/PageDocument.h"
#include "studio/projects/PageText.h"

namespace {

constexpr std::string_view kBlockStart = "<script language=javascript>vt";
constexpr std::string_view kBlockEnd = "</noscript>";
constexpr std::string_view kViewerCall = "new vantelo(";

// Elements whose content a browser does not read as tags.
constexpr std::string_view kRawElements[] = {"script",   "style",    "textarea", "title",
                                             "noscript", "noembed",  "noframes", "xmp",
                                             "iframe",   "plaintext"};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// "<name" followed by the end of the name.
bool OpensElement(std::string_view at, std::string_view name) {
    if (at.size() < name.size() + 1 || at[0] != '<' || at.substr(1, name.size()) != name) {
        return false;
    }
    if (at.size() == name.size() + 1) return true;
    const char next = at[name.size() + 1];
    return next == ' ' || next == '\t' || next == '\n' || next == '\r' || next == '\f' ||
           next == '>' || next == '/';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The part of a resolved address that the page can write: relative to the page folder
// where both are local files.
std::string RelativeToFolder(const std::string& url, const std::string& folderUrl) {
    constexpr std::string_view kFile = "file://";
    std::string relative = url;
    TakeTextAfter(folderUrl, relative);
    if (relative != url || !StartsWith(url, kFile) || !StartsWith(folderUrl, kFile)) {
        return relative;
    }
    const std::size_t tailAt = url.find_first_of("?#");
    const std::string path = url.substr(kFile.size(), tailAt - kFile.size());
    const std::string tail = tailAt == std::string::npos ? std::string() : url.substr(tailAt);
    const std::filesystem::path from(folderUrl.substr(kFile.size()));
    const std::string rel = std::filesystem::path(path).lexically_relative(from).generic_string();
    return rel.empty() ? url : rel + tail;
}

std::string PageAddress(const std::string& url, const std::string& folderUrl) {
    std::string address = RelativeToFolder(url, folderUrl);
    // Canonicalising refuses very long addresses; their escapes are decoded all the same, or
    // the page writer would escape them a second time.
    if (!CanonicalizeUrl(address)) address = DecodePageUrl(address);
    return address;
}

}  // namespace

bool IsImageSource(const PageImage& image) {
    return IsImageFile(platform::ToLowerAscii(image.source));
}

std::vector<PageImage> ScanPageText(std::string_view text, int& headOffset, bool& hasBody) {
    const std::string lower = platform::ToLowerAscii(text);
    constexpr std::string_view kHead = "<head>";
    const std::size_t head = lower.find(kHead);
    hasBody = lower.find("<body") != std::string::npos;
    if (head == std::string::npos) {
        headOffset = VantelifyPage::kNoHead;
    } else if (lower.find("vantelo.js", head + kHead.size()) != std::string::npos) {
        headOffset = VantelifyPage::kScriptPresent;
    } else {
        headOffset = static_cast<int>(head + kHead.size());
    }

    std::vector<PageImage> images;
    const std::string_view view(lower);
    bool blocksEnded = false;
    std::size_t p = 0;
    while ((p = lower.find('<', p)) != std::string::npos) {
        const std::string_view at = view.substr(p);
        if (StartsWith(at, "<!--")) {
            const std::size_t end = lower.find("-->", p + 4);
            if (end == std::string::npos) break;
            p = end + 3;
            continue;
        }
        if (!blocksEnded && StartsWith(at, kBlockStart)) {
            const std::size_t end = lower.find(kBlockEnd, p + kBlockStart.size());
            if (end != std::string::npos) {
                PageImage block;
                block.plainTag = false;
                block.zoomable = true;
                block.start = static_cast<int>(p);
                block.length = static_cast<int>(end + kBlockEnd.size() - p);
                images.push_back(block);
                p = end + kBlockEnd.size();
                continue;
            }
            blocksEnded = true;
        }
        bool raw = false;
        for (const std::string_view name : kRawElements) {
            if (OpensElement(at, name)) {
                const std::size_t end = lower.find("</" + std::string(name), p + 1 + name.size());
                p = end == std::string::npos ? lower.size() : end + 2 + name.size();
                raw = true;
                break;
            }
        }
        if (raw) continue;
        if (at.size() < 2 || !IsLetter(at[1])) {
            ++p;
            continue;
        }
        const std::size_t end = FindTagEnd(view, p);
        if (end == std::string::npos) break;
        if (OpensElement(at, "img")) {
            PageImage image;
            // Browsers ignore blanks around an address; so does the match.
            image.source = GetTagAttribute(text.substr(p, end + 1 - p), "src");
            const std::size_t first = image.source.find_first_not_of(" \t\n\r\f");
            const std::size_t last = image.source.find_last_not_of(" \t\n\r\f");
            image.source = first == std::string::npos
                               ? std::string()
                               : image.source.substr(first, last + 1 - first);
            if (IsImageSource(image)) {
                image.start = static_cast<int>(p);
                image.length = static_cast<int>(end + 1 - p);
                images.push_back(std::move(image));
            }
        }
        p = end + 1;
    }
    return images;
}

std::vector<PageImage> ScanDocument(const PageDocument& document, bool& foreign) {
    foreign = false;
    const std::string& folderUrl = document.FolderUrl();
    const auto& elements = document.Elements();
    std::vector<PageImage> images;
    for (const PageDocument::Element& element : elements) {
        if (element.kind == PageDocument::Kind::Script) {
            const std::string type = element.Attribute("type");
            if (!type.empty() && type != "Jscript" && type != "JScript") continue;
            const std::string lower = platform::ToLowerAscii(element.text);
            const std::size_t call = lower.find(kViewerCall);
            if (call == std::string::npos) continue;
            const bool ours =
                platform::ToLowerAscii(element.Attribute("language")) == "javascript" &&
                StartsWith(lower, "vt");
            if (!ours) {
                // Someone else's viewer call is not a block of ours: listing it would let it
                // take the place of a real block in the match.
                foreign = true;
                continue;
            }
            PageImage block;
            block.plainTag = false;
            block.zoomable = true;
            ReadViewerArguments(std::string_view(element.text).substr(call + kViewerCall.size()),
                                block);
            block.label = block.zoomSource;
            block.start = element.start;
            block.length = element.length;
            images.push_back(std::move(block));
        } else if (element.kind == PageDocument::Kind::Image) {
            if (element.start < 0) continue;
            PageImage image;
            image.source = PageAddress(element.url, folderUrl);
            if (!IsImageSource(image)) continue;
            const std::string name = element.Attribute("name");
            const std::string alt = element.Attribute("alt");
            image.label = !name.empty()  ? name
                          : !alt.empty() ? "Alt=" + alt
                                         : "Src=" + image.source;
            image.hasAlt = element.Has("alt");
            image.alt = alt;
            image.linkTarget = image.source;
            if (element.anchor >= 0) {
                const std::string target =
                    PageAddress(elements[static_cast<std::size_t>(element.anchor)].url, folderUrl);
                if (IsImageFile(platform::ToLowerAscii(target))) image.linkTarget = target;
            }
            image.shownWidth = element.shownWidth;
            image.shownHeight = element.shownHeight;
            image.start = element.start;
            image.length = element.length;
            images.push_back(std::move(image));
        }
    }
    return images;
}

std::vector<PageImage> MatchPageImages(const std::vector<PageImage>& textImages,
                                       std::vector<PageImage> documentImages) {
    const bool countsEqual = documentImages.size() == textImages.size();
    std::vector<PageImage> result;
    for (const PageImage& textImage : textImages) {
        const auto sameKind = [&](const PageImage& d) { return d.plainTag == textImage.plainTag; };
        // The document knows where each element stands in the text: a record that starts
        // where the text record starts is that record, whatever else the rule would pick.
        auto it = std::find_if(
            documentImages.begin(), documentImages.end(),
            [&](const PageImage& d) { return sameKind(d) && d.start == textImage.start; });
        if (it == documentImages.end()) {
            it =
                std::find_if(documentImages.begin(), documentImages.end(), [&](const PageImage& d) {
                    return sameKind(d) && (!textImage.plainTag || countsEqual ||
                                           IsSameUrl(platform::ToLowerAscii(d.source),
                                                     platform::ToLowerAscii(textImage.source)));
                });
        }
        if (it == documentImages.end()) continue;
        PageImage matched = std::move(*it);
        documentImages.erase(it);
        matched.start = textImage.start;
        matched.length = textImage.length;
        result.push_back(std::move(matched));
    }
    return result;
}

std::vector<PageImage> ScanPage(const std::string& text, const std::string& folder, int& headOffset,
                                bool& hasBody, bool& foreign) {
    const std::vector<PageImage> textImages = ScanPageText(text, headOffset, hasBody);
    const PageDocument document(text, folder);
    std::vector<PageImage> images = MatchPageImages(textImages, ScanDocument(document, foreign));
    // An earlier block keeps the alternative text of its fallback picture when written again.
    for (PageImage& image : images) {
        if (image.plainTag || image.start < 0 || image.length <= 0) continue;
        const std::string_view block = std::string_view(text).substr(
            static_cast<std::size_t>(image.start), static_cast<std::size_t>(image.length));
        const std::size_t picture = platform::ToLowerAscii(std::string(block)).find("<img");
        if (picture == std::string_view::npos) continue;
        const std::size_t end = FindTagEnd(block, picture);
        if (end == std::string_view::npos) continue;
        const std::string_view tag = block.substr(picture, end - picture + 1);
        if (platform::ToLowerAscii(std::string(tag)).find(" alt=") == std::string::npos) continue;
        image.hasAlt = true;
        image.alt = DecodeCharacterReferences(GetTagAttribute(tag, "alt"));
    }
    return images;
}

std::vector<PageImage> ScanPageFile(const std::string& path, std::string& text, int& headOffset,
                                    bool& hasBody, bool& foreign) {
    platform::MappedFile file;
    switch (file.Open(path)) {
        case platform::MappedFile::Status::Ok:
            break;
        case platform::MappedFile::Status::OpenFailed:
            return {};
        case platform::MappedFile::Status::MappingFailed:
            platform::DebugOutput("Failed to create file mapping\n");
            return {};
        case platform::MappedFile::Status::MapFailed:
            platform::DebugOutput("Failed to map file\n");
            return {};
    }
    // Spans are ints in the record; a page beyond that is no web page.
    if (file.size() > static_cast<std::size_t>(INT_MAX)) return {};
    text.assign(reinterpret_cast<const char*>(file.data()), file.size());
    file.Close();

    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) absolute = path;
    std::string folder = absolute.parent_path().generic_string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return ScanPage(text, folder, headOffset, hasBody, foreign);
}

void FillPageDefaults(PageImage& image, const std::string& folder) {
    if (image.plainTag) {
        image.zoomWidth = image.shownWidth;
        image.zoomHeight = image.shownHeight;
        image.zoomSource = image.linkTarget.empty() ? image.source : image.linkTarget;
        image.pageWidth = image.shownWidth;
        image.pageHeight = image.shownHeight;
        image.pagePicture = image.source;
    }
    std::string path = image.plainTag ? image.source : image.zoomSource;
    constexpr std::string_view kFile = "file://";
    if (StartsWith(path, kFile)) {
        path.erase(0, kFile.size());
    } else if (path.find("://") != std::string::npos) {
        return;
    } else if (!StartsWith(path, "/")) {
        path = folder + path;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;
    PictureInfo info;
    if (!ReadPictureInfo(path, &info) || info.width <= 0 || info.height <= 0) return;
    image.pictureWidth = info.width;
    image.pictureHeight = info.height;
    image.pictureBytes =
        static_cast<std::int64_t>(info.bitsPerPixel) * info.width * info.height / 8;
}
