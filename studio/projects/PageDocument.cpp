#include "studio/projects/PageDocument.h"

#include <gumbo.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <memory>

#include "imaging/PictureInfo.h"
#include "imaging/PictureLoader.h"
#include "platform/text/Ascii.h"
#include "platform/text/Text.h"
#include "studio/projects/PageText.h"

namespace {

struct OutputDeleter {
    void operator()(GumboOutput* output) const {
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
};

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes the character references that occur in attribute values of real pages; anything
// else stays as written.
std::string DecodeReferences(std::string_view text) {
    static const std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp;", "&"},   {"lt;", "<"},   {"gt;", ">"},
        {"quot;", "\""}, {"apos;", "'"}, {"nbsp;", "\xC2\xA0"}};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::string_view rest = text.substr(i + 1);
        bool done = false;
        for (const auto& [name, value] : kNamed) {
            if (rest.substr(0, name.size()) == name) {
                out += value;
                i += name.size();
                done = true;
                break;
            }
        }
        if (!done && !rest.empty() && rest[0] == '#') {
            const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
            std::size_t p = hex ? 2 : 1;
            std::uint32_t code = 0;
            std::size_t digits = 0;
            for (; p < rest.size() && digits < 8; ++p, ++digits) {
                const char c = rest[p];
                const int v =
                    hex ? platform::HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
                if (v < 0) break;
                code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
            }
            if (digits > 0) {
                AppendUtf8(out, code);
                i += p + (p < rest.size() && rest[p] == ';' ? 1 : 0);
                done = true;
            }
        }
        if (!done) out += '&';
    }
    return out;
}

// Removes "." and ".." segments from an absolute path, leaving any query or fragment alone.
std::string RemoveDotSegments(std::string_view path) {
    const std::size_t tailAt = path.find_first_of("?#");
    const std::string_view tail =
        tailAt == std::string_view::npos ? std::string_view() : path.substr(tailAt);
    path = path.substr(0, tailAt);
    std::vector<std::string_view> segments;
    std::size_t p = 1;  // behind the leading '/'
    bool endsInFolder = false;
    while (p <= path.size()) {
        std::size_t slash = path.find('/', p);
        if (slash == std::string_view::npos) slash = path.size();
        const std::string_view segment = path.substr(p, slash - p);
        endsInFolder = segment == "." || segment == "..";
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (segment != ".") {
            segments.push_back(segment);
        }
        p = slash + 1;
    }
    std::string out;
    for (const std::string_view segment : segments) {
        out += '/';
        out += segment;
    }
    if (out.empty() || endsInFolder) out += '/';
    out += tail;
    return out;
}

int PositiveSize(const std::string& value) {
    const long long n = platform::AtoI(value);
    return n > 0 && n <= 1000000 ? static_cast<int>(n) : 0;
}

}  // namespace

std::string DecodeCharacterReferences(std::string_view text) {
    return DecodeReferences(text);
}

bool PageDocument::Element::Has(std::string_view name) const {
    for (const auto& attribute : attributes) {
        if (attribute.first == name) return true;
    }
    return false;
}

std::string PageDocument::Element::Attribute(std::string_view name) const {
    for (const auto& attribute : attributes) {
        if (attribute.first == name) return attribute.second;
    }
    return {};
}

std::string PageDocument::Resolve(std::string_view reference) const {
    // Browsers ignore blanks around an address and read '\\' as '/'.
    while (!reference.empty() && static_cast<unsigned char>(reference.front()) <= ' ') {
        reference.remove_prefix(1);
    }
    while (!reference.empty() && static_cast<unsigned char>(reference.back()) <= ' ') {
        reference.remove_suffix(1);
    }
    if (reference.empty()) return {};
    std::string ref(reference);
    if (UrlSchemeLength(ref) > 0) return ref;
    for (char& c : ref) {
        if (c == '\\') c = '/';
    }
    constexpr std::string_view kFile = "file://";
    if (ref.rfind("//", 0) == 0) return "file:" + ref;
    if (ref.front() == '/') return std::string(kFile) + RemoveDotSegments(ref);
    const std::string folder = folderUrl_.substr(kFile.size());
    return std::string(kFile) + RemoveDotSegments(folder + ref);
}

void PageDocument::ReadShownSize(Element& image) const {
    image.shownWidth = PositiveSize(image.Attribute("width"));
    image.shownHeight = PositiveSize(image.Attribute("height"));
    if (image.shownWidth > 0 && image.shownHeight > 0) return;
    constexpr std::string_view kFile = "file://";
    if (image.url.rfind(kFile, 0) != 0) return;
    std::string path = image.url.substr(kFile.size());
    path = DecodePageUrl(path.substr(0, path.find_first_of("?#")));
    std::error_code error;
    // Only plain files: opening a pipe or a device named by a page would block or worse.
    if (!std::filesystem::is_regular_file(path, error)) return;
    PictureInfo info;
    if (!ReadPictureInfo(path, &info) || info.width <= 0 || info.height <= 0) return;
    const auto scaled = [](int given, int to, int from) {
        return static_cast<int>((static_cast<long long>(given) * to + from / 2) / from);
    };
    if (image.shownWidth > 0) {
        image.shownHeight = scaled(image.shownWidth, info.height, info.width);
    } else if (image.shownHeight > 0) {
        image.shownWidth = scaled(image.shownHeight, info.width, info.height);
    } else {
        image.shownWidth = info.width;
        image.shownHeight = info.height;
    }
}

namespace {

// Visits the nodes below `root` in document order; `visit` returns whether to go into a
// node's children. Walked with an explicit stack: a page may nest elements deeper than the
// call stack allows.
template <typename Visit>
void Walk(const GumboNode* root, Visit visit) {
    struct Item {
        const GumboNode* node;
        int anchor;
    };
    std::vector<Item> stack{{root, -1}};
    while (!stack.empty()) {
        const Item item = stack.back();
        stack.pop_back();
        int anchor = item.anchor;
        if (!visit(item.node, anchor)) continue;
        const GumboVector* children = nullptr;
        if (item.node->type == GUMBO_NODE_DOCUMENT) children = &item.node->v.document.children;
        if (item.node->type == GUMBO_NODE_ELEMENT) children = &item.node->v.element.children;
        if (children == nullptr) continue;
        for (unsigned i = children->length; i-- > 0;) {
            stack.push_back({static_cast<const GumboNode*>(children->data[i]), anchor});
        }
    }
}

bool IsHtml(const GumboNode* node, GumboTag tag) {
    return node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == tag &&
           node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

}  // namespace

PageDocument::PageDocument(std::string_view page, std::string folder)
    : folderUrl_("file://" + std::move(folder)) {
    // Spans are ints; the scan refuses larger pages before they get here.
    if (page.size() > static_cast<std::size_t>(INT_MAX)) return;
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;  // the errors are of no use here and cost memory on broken pages
    const std::unique_ptr<GumboOutput, OutputDeleter> output(
        gumbo_parse_with_options(&options, page.data(), page.size()));
    if (!output) return;

    const char* const begin = page.data();
    const auto offsetOf = [&](const GumboStringPiece& piece) -> long long {
        if (piece.length == 0 || piece.data < begin || piece.data > begin + page.size()) {
            return -1;
        }
        return piece.data - begin;
    };

    // The parser reads <noscript> as a browser without scripting does, and may even move its
    // content out of it (a picture in the head's noscript lands in the body). A scripting
    // browser reads everything up to "</noscript" as text, so that stretch of the page is
    // what gets left out.
    std::vector<std::pair<long long, long long>> noscript;
    const std::string lower = platform::ToLowerAscii(page);
    Walk(output->document, [&](const GumboNode* node, int&) {
        if (!IsHtml(node, GUMBO_TAG_NOSCRIPT)) return true;
        const long long start = offsetOf(node->v.element.original_tag);
        if (start < 0) return true;
        const std::size_t end = lower.find(
            "</noscript", static_cast<std::size_t>(start) + node->v.element.original_tag.length);
        noscript.emplace_back(start, end == std::string::npos ? static_cast<long long>(page.size())
                                                              : static_cast<long long>(end));
        return false;
    });
    std::sort(noscript.begin(), noscript.end());
    std::vector<std::pair<long long, long long>> merged;
    for (const auto& range : noscript) {
        if (!merged.empty() && range.first <= merged.back().second) {
            merged.back().second = std::max(merged.back().second, range.second);
        } else {
            merged.push_back(range);
        }
    }
    const auto inNoscript = [&](long long offset) {
        auto it = std::upper_bound(merged.begin(), merged.end(), std::make_pair(offset, LLONG_MAX));
        return it != merged.begin() && offset < std::prev(it)->second;
    };

    Walk(output->document, [&](const GumboNode* node, int& anchor) {
        if (node->type == GUMBO_NODE_DOCUMENT) return true;
        // A template's content is not part of the document.
        if (node->type != GUMBO_NODE_ELEMENT) return false;
        const GumboElement& e = node->v.element;
        if (e.tag_namespace != GUMBO_NAMESPACE_HTML) return true;
        if (e.tag == GUMBO_TAG_NOSCRIPT) return false;
        Element element;
        const char* urlName = nullptr;
        switch (e.tag) {
            case GUMBO_TAG_A:
                element.kind = Kind::Anchor;
                urlName = "href";
                break;
            case GUMBO_TAG_IMG:
                element.kind = Kind::Image;
                urlName = "src";
                break;
            case GUMBO_TAG_SCRIPT:
                element.kind = Kind::Script;
                urlName = "src";
                break;
            case GUMBO_TAG_OBJECT:
                element.kind = Kind::Object;
                urlName = "data";
                break;
            default:
                return true;
        }
        const long long start = offsetOf(e.original_tag);
        if (start >= 0 && inNoscript(start)) return false;
        for (unsigned i = 0; i < e.attributes.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
            std::string_view raw;
            if (a->original_value.length > 0) {
                raw = std::string_view(a->original_value.data, a->original_value.length);
            }
            if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') &&
                raw.back() == raw.front()) {
                raw = raw.substr(1, raw.size() - 2);
            }
            element.attributes.emplace_back(platform::ToLowerAscii(a->name), DecodeReferences(raw));
        }
        element.url = Resolve(element.Attribute(urlName));
        element.anchor = anchor;
        if (start >= 0) {
            long long end = start + static_cast<long long>(e.original_tag.length);
            const long long endTag = offsetOf(e.original_end_tag);
            if (endTag >= end) end = endTag + static_cast<long long>(e.original_end_tag.length);
            element.start = static_cast<int>(start);
            element.length = static_cast<int>(end - start);
        }
        if (element.kind == Kind::Script) {
            for (unsigned i = 0; i < e.children.length; ++i) {
                const auto* child = static_cast<const GumboNode*>(e.children.data[i]);
                if ((child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE ||
                     child->type == GUMBO_NODE_CDATA) &&
                    child->v.text.original_text.length > 0) {
                    element.text.append(child->v.text.original_text.data,
                                        child->v.text.original_text.length);
                }
            }
        }
        if (element.kind == Kind::Image) ReadShownSize(element);
        if (element.kind == Kind::Anchor) anchor = static_cast<int>(elements_.size());
        elements_.push_back(std::move(element));
        return true;
    });
}
