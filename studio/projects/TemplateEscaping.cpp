#include "studio/projects/TemplateEscaping.h"

#include <cstddef>
#include <string>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == ':';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The last place where the tag `name` (lower case, with '<' or "</") opens as a whole tag
// name; npos when it never does.
std::size_t FindLastTag(std::string_view text, std::string_view name) {
    std::size_t at = text.size();
    while (at > 0) {
        at = text.rfind('<', at - 1);
        if (at == std::string_view::npos) return at;
        if (text.size() - at > name.size()) {
            bool same = true;
            for (std::size_t k = 1; k < name.size() && same; ++k)
                same = Lower(text[at + k]) == name[k];
            if (same && !IsNameChar(text[at + name.size()])) return at;
        } else if (text.size() - at == name.size()) {
            bool same = true;
            for (std::size_t k = 1; k < name.size() && same; ++k)
                same = Lower(text[at + k]) == name[k];
            if (same) return at;
        }
    }
    return std::string_view::npos;
}

// Whether a script's text ends inside a string literal (quotes, backslash escapes and
// comments followed roughly as a script reads them).
bool EndsInsideString(std::string_view code) {
    char quote = 0;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quote != 0) {
            if (c == '\\') {
                ++i;
            } else if (c == quote) {
                quote = 0;
            }
        } else if (c == '\'' || c == '"' || c == '`') {
            quote = c;
        } else if (c == '/' && i + 1 < code.size() && code[i + 1] == '/') {
            const std::size_t end = code.find('\n', i);
            if (end == std::string_view::npos) return false;
            i = end;
        } else if (c == '/' && i + 1 < code.size() && code[i + 1] == '*') {
            const std::size_t end = code.find("*/", i + 2);
            if (end == std::string_view::npos) return false;
            i = end + 1;
        }
    }
    return quote != 0;
}

// Where text lands when the tag that opened at `open` is not closed yet.
OutputPlace PlaceInsideTag(std::string_view tag) {
    // Walk the attributes: name, optional "=" and value.
    std::size_t i = 1;
    while (i < tag.size() && IsNameChar(tag[i])) ++i;
    for (;;) {
        while (i < tag.size() && (IsBlank(tag[i]) || tag[i] == '/')) ++i;
        if (i >= tag.size()) return OutputPlace::HtmlBareAttribute;
        const std::size_t nameStart = i;
        while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != '=' && tag[i] != '/') ++i;
        const std::string_view name = tag.substr(nameStart, i - nameStart);
        const bool event = name.size() > 2 && Lower(name[0]) == 'o' && Lower(name[1]) == 'n';
        while (i < tag.size() && IsBlank(tag[i])) ++i;
        if (i >= tag.size()) return OutputPlace::HtmlBareAttribute;
        if (tag[i] != '=') continue;
        ++i;
        while (i < tag.size() && IsBlank(tag[i])) ++i;
        if (i >= tag.size()) return OutputPlace::HtmlBareAttribute;
        if (tag[i] == '"' || tag[i] == '\'') {
            const char quote = tag[i];
            const std::size_t valueStart = i + 1;
            const std::size_t end = tag.find(quote, valueStart);
            if (end == std::string_view::npos) {
                if (!event) return OutputPlace::HtmlAttribute;
                return EndsInsideString(tag.substr(valueStart)) ? OutputPlace::EventAttributeString
                                                                : OutputPlace::EventAttributeCode;
            }
            i = end + 1;
        } else {
            while (i < tag.size() && !IsBlank(tag[i])) ++i;
            if (i >= tag.size()) return OutputPlace::HtmlBareAttribute;
        }
    }
}

void AppendHex(std::string& out, const char* prefix, unsigned value, int digits) {
    static const char kHex[] = "0123456789ABCDEF";
    out += prefix;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

}  // namespace

OutputPlace PlaceAfter(std::string_view written) {
    const std::size_t script = FindLastTag(written, "<script");
    if (script != std::string_view::npos) {
        const std::size_t closing = FindLastTag(written, "</script");
        if (closing == std::string_view::npos || closing < script) {
            const std::size_t bodyStart = written.find('>', script);
            if (bodyStart == std::string_view::npos) return OutputPlace::HtmlAttribute;
            return EndsInsideString(written.substr(bodyStart + 1)) ? OutputPlace::ScriptString
                                                                   : OutputPlace::ScriptCode;
        }
    }
    // Inside a tag when its '<' is the last one and no '>' followed it.
    std::size_t open = written.size();
    while (open > 0) {
        open = written.rfind('<', open - 1);
        if (open == std::string_view::npos) return OutputPlace::HtmlText;
        if (open + 1 < written.size() &&
            (IsNameChar(written[open + 1]) || written[open + 1] == '/'))
            break;
        if (open == 0) return OutputPlace::HtmlText;
    }
    const std::string_view tag = written.substr(open);
    // A '>' outside quotes ends the tag.
    char quote = 0;
    for (const char c : tag) {
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return OutputPlace::HtmlText;
        }
    }
    return PlaceInsideTag(tag);
}

std::string EscapeHtml(std::string_view text, bool blanks) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if (blanks && (IsBlank(c) || c == '`' || c == '=')) {
                    out += "&#";
                    out += std::to_string(static_cast<unsigned char>(c));
                    out += ';';
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string EscapeScriptString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // U+2028 and U+2029 end a line inside a string literal in older scripts.
        if (byte == 0xE2 && i + 2 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
             static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            AppendHex(out, "\\u", 0x2000u + static_cast<unsigned char>(text[i + 2]) - 0x80u, 4);
            i += 2;
        } else if (byte < 0x20 || byte == 0x7F || byte == '\\' || byte == '\'' || byte == '"' ||
                   byte == '`' || byte == '<' || byte == '>' || byte == '&' || byte == '$') {
            AppendHex(out, "\\x", byte, 2);
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string EncodeUrlComponent(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            AppendHex(out, "%", static_cast<unsigned char>(c), 2);
        }
    }
    return out;
}

std::string PlaceName(std::string_view text, NameKind kind, OutputPlace place) {
    switch (place) {
        case OutputPlace::HtmlText:
        case OutputPlace::HtmlAttribute:
            return EscapeHtml(text);
        case OutputPlace::HtmlBareAttribute:
            return EscapeHtml(text, true);
        case OutputPlace::ScriptString:
            return EscapeScriptString(text);
        case OutputPlace::ScriptCode:
            // A list's addresses are encoded: nothing in it but its own quotes and commas.
            if (kind == NameKind::List) return std::string(text);
            return '"' + EscapeScriptString(text) + '"';
        case OutputPlace::EventAttributeString:
            return EscapeHtml(EscapeScriptString(text));
        case OutputPlace::EventAttributeCode:
            if (kind == NameKind::List) return EscapeHtml(text);
            return EscapeHtml('"' + EscapeScriptString(text) + '"');
    }
    return EscapeHtml(text, true);
}
