#include "studio/projects/PageText.h"

#include <algorithm>
#include <climits>

#include "platform/text/Ascii.h"
#include "platform/text/Text.h"
#include "studio/projects/PageImage.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsNameChar(char c) {
    return !IsBlank(c) && c != '=' && c != '>' && c != '<' && c != '/' && c != '"' && c != '\'';
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
}

// The path part of an address with a scheme and an authority ("scheme://host/path"), as
// the platform's URL splitter gives it; false for anything else.
bool CrackUrlPath(std::string& text) {
    const std::size_t colon = UrlSchemeLength(text);
    if (colon == 0 || text.compare(colon, 3, "://") != 0) return false;
    const std::size_t slash = text.find('/', colon + 3);
    text = slash == std::string::npos ? std::string() : text.substr(slash);
    return true;
}

}  // namespace

std::size_t UrlSchemeLength(std::string_view text) {
    const std::size_t colon = text.find(':');
    // One letter before the colon is a drive, not a scheme.
    if (colon == std::string_view::npos || colon < 2) return 0;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!alpha && !(i > 0 && other)) return 0;
    }
    return colon;
}

std::string GetTagAttribute(std::string_view tag, std::string_view name) {
    if (name.empty()) return {};
    const std::string wanted = platform::ToLowerAscii(name);
    std::size_t p = 0;
    if (!tag.empty() && tag[0] == '<') {
        while (p < tag.size() && IsNameChar(tag[p])) ++p;  // the "<img" itself
    }
    // Attribute by attribute, so that a name inside another attribute's quoted value is not
    // taken for an attribute.
    while (p < tag.size()) {
        while (p < tag.size() && (IsBlank(tag[p]) || tag[p] == '/')) ++p;
        if (p >= tag.size() || tag[p] == '>') return {};
        const std::size_t nameStart = p;
        while (p < tag.size() && IsNameChar(tag[p])) ++p;
        if (p == nameStart) {  // a stray quote or '<'
            ++p;
            continue;
        }
        const bool match = platform::ToLowerAscii(tag.substr(nameStart, p - nameStart)) == wanted;
        std::size_t q = p;
        while (q < tag.size() && IsBlank(tag[q])) ++q;
        if (q >= tag.size() || tag[q] != '=') continue;  // an attribute without a value
        ++q;
        while (q < tag.size() && IsBlank(tag[q])) ++q;
        if (q >= tag.size()) return {};
        std::size_t valueStart = q;
        std::size_t valueEnd = 0;
        if (tag[q] == '"' || tag[q] == '\'') {
            const std::size_t close = tag.find(tag[q], q + 1);
            if (close == std::string_view::npos) return {};
            valueStart = q + 1;
            valueEnd = close;
            p = close + 1;
        } else {
            valueEnd = q;
            while (valueEnd < tag.size() && !IsBlank(tag[valueEnd]) && tag[valueEnd] != '>') {
                ++valueEnd;
            }
            if (valueEnd >= tag.size()) return {};  // neither a blank nor the closing '>'
            p = valueEnd;
        }
        if (match) return std::string(tag.substr(valueStart, valueEnd - valueStart));
    }
    return {};
}

std::size_t FindTagEnd(std::string_view text, std::size_t open) {
    std::size_t p = open;
    while (p < text.size()) {
        const char c = text[p];
        if (c == '>') return p;
        if (c == '=') {
            std::size_t q = p + 1;
            while (q < text.size() && IsBlank(text[q])) ++q;
            if (q < text.size() && (text[q] == '"' || text[q] == '\'')) {
                const std::size_t close = text.find(text[q], q + 1);
                if (close == std::string_view::npos) return text.find('>', open);
                p = close + 1;
                continue;
            }
            p = q;
            continue;
        }
        ++p;
    }
    return std::string_view::npos;
}

bool IsSameUrl(std::string a, std::string b) {
    if (a == b) return true;
    for (std::string* s : {&a, &b}) {
        ReplaceAll(*s, "&lt;", "<");
        ReplaceAll(*s, "&gt;", ">");
        ReplaceAll(*s, "&amp;", "&");
        ReplaceAll(*s, "&quot;", "\"");
    }
    if (a == b) return true;
    CrackUrlPath(a);
    CrackUrlPath(b);
    if (a == b) return true;
    std::replace(a.begin(), a.end(), '\\', '/');
    std::replace(b.begin(), b.end(), '\\', '/');
    const std::string& shorter = b.size() >= a.size() ? a : b;
    const std::string& longer = b.size() >= a.size() ? b : a;
    // Only a whole trailing path counts: "b.jpg" is not the same file as "/x/ab.jpg", and a
    // name is not the same as a longer name that merely starts with it.
    if (shorter.empty() || shorter.size() >= longer.size()) return false;
    const std::size_t at = longer.size() - shorter.size();
    return longer.compare(at, shorter.size(), shorter) == 0 &&
           (longer[at - 1] == '/' || shorter.front() == '/');
}

std::string EncodePageUrl(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += '/';
        } else if (c == '%' || c == '\'' || c == '"' || c == '<' || c == '>' || c == '#' ||
                   byte < 0x20 || byte == 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::string DecodePageUrl(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && platform::HexDigitValue(text[i + 1]) >= 0 &&
            platform::HexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(platform::HexDigitValue(text[i + 1]) * 16 +
                                     platform::HexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

void ReadViewerArguments(std::string_view arguments, PageImage& image) {
    std::string values[6];
    std::size_t p = 0;
    for (int n = 0; n < 6 && p < arguments.size(); ++n) {
        while (p < arguments.size() && IsBlank(arguments[p])) ++p;
        if (p >= arguments.size()) break;
        const char c = arguments[p];
        if (c == ')') break;
        if (c == '\'' || c == '"') {
            const std::size_t close = arguments.find(c, p + 1);
            if (close == std::string_view::npos) break;
            values[n] = arguments.substr(p + 1, close - p - 1);
            p = close + 1;
            while (p < arguments.size() && IsBlank(arguments[p])) ++p;
        } else {
            const std::size_t end = arguments.find_first_of(",)", p);
            values[n] = arguments.substr(p, end == std::string_view::npos ? end : end - p);
            p = end == std::string_view::npos ? arguments.size() : end;
        }
        if (p >= arguments.size() || arguments[p] != ',') break;
        ++p;
    }
    const auto number = [](const std::string& v) {
        const long long n = platform::AtoI(v);
        return n < INT_MIN || n > INT_MAX ? 0 : static_cast<int>(n);
    };
    image.zoomSource = DecodePageUrl(values[0]);
    image.zoomWidth = number(values[1]);
    image.zoomHeight = number(values[2]);
    image.pagePicture = DecodePageUrl(values[3]);
    image.pageWidth = number(values[4]);
    image.pageHeight = number(values[5]);
}
