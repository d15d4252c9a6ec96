// The names a template prints from the gallery, its images, the current page and the
// preferences. Numbers go through the C locale: pages and scripts always need a point.

#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "imaging/PictureInfo.h"
#include "platform/text/Text.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/TemplateEscaping.h"

namespace {

// Windows colour values keep red in the low byte; pages want red-green-blue.
std::string RgbHex(int colour) {
    return platform::FormatC("%x", SwapRedBlue(static_cast<std::uint32_t>(colour)) & 0xFFFFFFu);
}

std::string Hex(int value) {
    return platform::FormatC("%x", static_cast<unsigned>(value));
}

// "%f" or "%.3f" of a preference.
std::string Real(const char* format, float value) {
    return platform::FormatC(format, static_cast<double>(value));
}

std::string Decimal(long long value) {
    return platform::FormatC("%lld", value);
}

std::string PageFile(int page) {
    return platform::FormatC("index%d.htm", page);
}

// The name without the text from its last '.' on.
std::string StripExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// A picture's name as the address of its file.
std::string Address(const std::string& name) {
    return EncodeUrlComponent(name);
}

std::string ThumbnailAddress(const std::string& name) {
    return EncodeUrlComponent(Gallery::ThumbnailName(name));
}

// Every image's address (as `nameOf` makes it) in double quotes, joined by ",".
std::string JoinQuoted(const Gallery& gallery, std::string (*nameOf)(const std::string&)) {
    std::string text;
    for (int n = 1; n <= gallery.GetImageCount(); ++n) {
        if (n > 1) text += ',';
        text += '"';
        text += nameOf(gallery.GetImage(n)->fileName);
        text += '"';
    }
    return text;
}

std::string Join(const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& entry : list) {
        if (!text.empty()) text += ',';
        text += entry;
    }
    return text;
}

// What a name needs to print its text.
struct NameContext {
    const Gallery& gallery;
    const Properties& properties;
    const GalleryImage* image;  // image n of the arguments; null when it names none
    int currentImage;
    int currentPage;
    int pageTotal;
};

using NameFn = std::string (*)(const NameContext&);

// Names whose text comes from image n print "" when n names no image.
struct BuiltInName {
    NameFn print;
    bool needsImage;
};

const std::unordered_map<std::string_view, BuiltInName>& BuiltInNames() {
    using C = const NameContext&;
    static const std::unordered_map<std::string_view, BuiltInName> names = {
        {"thumburl", {[](C c) { return ThumbnailAddress(c.image->fileName); }, true}},
        {"thumbpageurl", {[](C c) { return PageFile(c.currentPage); }, false}},
        {"allpoints",
         {[](C c) {
              std::string text;
              for (const AnimationPoint& point : c.image->points) {
                  if (!text.empty()) text += ',';
                  text += platform::FormatC("[%f,%f,%f]", static_cast<double>(point.position.x),
                                            static_cast<double>(point.position.y),
                                            static_cast<double>(point.position.z));
              }
              return text;
          },
          true}},
        {"allimages", {[](C c) { return JoinQuoted(c.gallery, &Address); }, false}},
        {"allthumbs", {[](C c) { return JoinQuoted(c.gallery, &ThumbnailAddress); }, false}},
        {"imageurl", {[](C c) { return Address(c.image->fileName); }, true}},
        {"imagename", {[](C c) { return StripExtension(c.image->fileName); }, true}},
        {"imagewidth", {[](C c) { return Decimal(c.image->width); }, true}},
        {"imageheight", {[](C c) { return Decimal(c.image->height); }, true}},
        {"imageindex", {[](C c) { return Decimal(c.currentImage); }, false}},
        {"imagetotal", {[](C c) { return Decimal(c.gallery.GetImageCount()); }, false}},
        {"imagefilesize", {[](C c) { return Decimal(c.image->fileSize); }, true}},
        {"imagefilesizekilo",
         {[](C c) {
              return platform::FormatC("%.1f", static_cast<double>(c.image->fileSize + 512) / 1024);
          },
          true}},
        {"thumbmaxwidth", {[](C c) { return Decimal(c.properties.GetThumbSize().x); }, false}},
        {"thumbmaxheight", {[](C c) { return Decimal(c.properties.GetThumbSize().y); }, false}},
        {"thumbfillcolor", {[](C c) { return RgbHex(c.properties.GetThumbColor()); }, false}},
        {"nextimageurl",
         {[](C c) {
              int n = c.currentImage + 1;
              if (n > c.gallery.GetImageCount()) n = 1;
              const GalleryImage* image = c.gallery.GetImage(n);
              return image != nullptr ? Address(image->fileName) : std::string();
          },
          false}},
        {"previmageurl",
         {[](C c) {
              const int n = c.currentImage <= 1 ? c.gallery.GetImageCount() : c.currentImage - 1;
              const GalleryImage* image = c.gallery.GetImage(n);
              return image != nullptr ? Address(image->fileName) : std::string();
          },
          false}},
        {"nextimagepageurl",
         {[](C c) {
              int n = c.currentImage + 1;
              if (n > c.gallery.GetImageCount()) n = 1;
              return c.gallery.GetImagePageName(n);
          },
          false}},
        {"previmagepageurl",
         {[](C c) {
              const int n = c.currentImage < 2 ? c.gallery.GetImageCount() : c.currentImage - 1;
              return c.gallery.GetImagePageName(n);
          },
          false}},
        {"nextpage", {[](C c) { return PageFile(c.currentPage + 1); }, false}},
        {"prevpage",
         {[](C c) { return PageFile(c.currentPage > 1 ? c.currentPage - 1 : 1); }, false}},
        {"pagenumber", {[](C c) { return Decimal(c.currentPage); }, false}},
        {"pagetotal", {[](C c) { return Decimal(c.pageTotal); }, false}},
        {"vantelomaxzoom", {[](C c) { return Real("%f", c.properties.GetMaxZoom()); }, false}},
        {"vantelominzoom", {[](C c) { return Real("%f", c.properties.GetMinZoom()); }, false}},
        {"vantelobgcolor", {[](C c) { return RgbHex(c.properties.GetBgColor()); }, false}},
        {"vantelobordercolor", {[](C c) { return RgbHex(c.properties.GetBorderColor()); }, false}},
        {"vanteloborderwidth",
         {[](C c) { return Decimal(c.properties.GetBorderSize().x); }, false}},
        {"vanteloborderheight",
         {[](C c) { return Decimal(c.properties.GetBorderSize().y); }, false}},
        {"vantelolock", {[](C c) { return Hex(c.properties.GetLock()); }, false}},
        {"vantelofit", {[](C c) { return Hex(c.properties.GetFit()); }, false}},
        {"vanteloposX", {[](C c) { return Real("%.3f", c.properties.GetPosX()); }, false}},
        {"vanteloposY", {[](C c) { return Real("%.3f", c.properties.GetPosY()); }, false}},
        {"vanteloposZ", {[](C c) { return Real("%.3f", c.properties.GetPosZ()); }, false}},
        {"vantelowidth", {[](C c) { return Decimal(c.gallery.GetWindowWidth()); }, false}},
        {"vanteloheight", {[](C c) { return Decimal(c.gallery.GetWindowHeight()); }, false}},
        {"title", {[](C c) { return c.gallery.GetTitle(); }, false}},
    };
    return names;
}

// The IPTC fields by the word after "iptc_".
using TextField = std::string IPTCData::*;
using ListField = std::vector<std::string> IPTCData::*;

const std::unordered_map<std::string_view, TextField>& IptcTextFields() {
    static const std::unordered_map<std::string_view, TextField> fields = {
        {"byline", &IPTCData::byline},
        {"bylinetitle", &IPTCData::bylineTitle},
        {"credits", &IPTCData::credits},
        {"source", &IPTCData::source},
        {"objectname", &IPTCData::objectName},
        {"datecreated", &IPTCData::dateCreated},
        {"city", &IPTCData::city},
        {"state", &IPTCData::state},
        {"country", &IPTCData::country},
        {"originaltransmissionreference", &IPTCData::originalTransmissionReference},
        {"copyrightnotice", &IPTCData::copyrightNotice},
        {"caption", &IPTCData::caption},
        {"captionwriter", &IPTCData::captionWriter},
        {"headline", &IPTCData::headline},
        {"specialinstructions", &IPTCData::specialInstructions},
        {"category", &IPTCData::category},
        {"urgency", &IPTCData::urgency},
        {"timecreated", &IPTCData::timeCreated},
        {"originprogram", &IPTCData::originProgram},
        {"originprogramversion", &IPTCData::originProgramVersion},
    };
    return fields;
}

const std::unordered_map<std::string_view, ListField>& IptcListFields() {
    static const std::unordered_map<std::string_view, ListField> fields = {
        {"supplementalcategories", &IPTCData::supplementalCategories},
        {"keywords", &IPTCData::keywords},
    };
    return fields;
}

}  // namespace

std::string Gallery::ThumbnailName(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) return "tmb_" + fileName;
    return "tmb_" + fileName.substr(0, dot) + ".jpg";
}

std::string Gallery::GetImagePageName(int n) const {
    // Before the index template has been counted there is no page size; every image is then
    // taken to be on a page of its own.
    const int perPage = imagesPerPage > 0 ? imagesPerPage : 1;
    return platform::FormatC("index%d_%d.htm", (n - 1) / perPage + 1, n);
}

bool Gallery::GetBuiltInVariable(const std::string& word, const std::string& arguments,
                                 std::string& text) {
    const auto& names = BuiltInNames();
    const auto it = names.find(word);
    if (it == names.end()) return false;
    const int n = ScanInt(arguments).value_or(currentImage);
    const NameContext context{*this, properties, GetImage(n), currentImage, currentPage, pageTotal};
    text = it->second.needsImage && context.image == nullptr ? std::string()
                                                             : it->second.print(context);
    return true;
}

// What the names made from a picture's name are: the page writes them where they land
// (Gallery::ExpandTag); every other name is written as it stands.
bool Gallery::GetPictureNameKind(const std::string& word, NameKind& kind) {
    static const std::unordered_map<std::string_view, NameKind> kinds = {
        {"thumburl", NameKind::Address},     {"imageurl", NameKind::Address},
        {"nextimageurl", NameKind::Address}, {"previmageurl", NameKind::Address},
        {"allimages", NameKind::List},       {"allthumbs", NameKind::List},
        {"imagename", NameKind::Text},
    };
    const auto found = kinds.find(word);
    if (found == kinds.end()) return false;
    kind = found->second;
    return true;
}

std::string Gallery::GetIptcVariable(const std::string& field) const {
    const GalleryImage* image = GetImage(currentImage);
    if (image == nullptr || !image->iptc.valid) return {};
    if (const auto text = IptcTextFields().find(field); text != IptcTextFields().end()) {
        return image->iptc.*(text->second);
    }
    if (const auto list = IptcListFields().find(field); list != IptcListFields().end()) {
        return Join(image->iptc.*(list->second));
    }
    return {};
}
