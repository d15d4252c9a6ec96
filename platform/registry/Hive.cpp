#include "platform/registry/Hive.h"

#include <cstdint>
#include <cstring>

#include "platform/text/Ascii.h"
#include "platform/text/Text.h"

namespace platform::hive {
namespace {

constexpr std::string_view kHeader = "VANTELO-REGISTRY-HIVE 1";
constexpr char kHex[] = "0123456789abcdef";

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

void AppendHexByte(std::string& out, unsigned char c) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

// Key names cannot hold '\\' (the separator) or control characters; '%' and ']' are written
// as %HH so that the header line stays readable and unambiguous.
std::string EscapeKeyName(std::string_view name) {
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '%' || c == ']' || IsControl(c)) {
            out += '%';
            AppendHexByte(out, c);
        } else {
            out += ch;
        }
    }
    return out;
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += ch;
        } else if (IsControl(c)) {
            out += "\\x";
            AppendHexByte(out, c);
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

std::string FormatData(const RegValue& value) {
    const auto& d = value.data;
    if (value.type == RegType::Sz && !d.empty() && d.back() == 0 &&
        std::memchr(d.data(), 0, d.size() - 1) == nullptr) {
        return "sz:" +
               Quote(std::string_view(reinterpret_cast<const char*>(d.data()), d.size() - 1));
    }
    if (value.type == RegType::Dword && d.size() == 4) {
        return platform::FormatC("dword:%08x", *value.FourBytes());
    }
    std::string out = value.type == RegType::Binary
                          ? std::string("hex:")
                          : platform::FormatC("hex(%u):", static_cast<unsigned>(value.type));
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (i != 0) out += ',';
        AppendHexByte(out, d[i]);
    }
    return out;
}

void WriteKey(const Key& key, const std::string& path, bool isRoot, std::string& out) {
    if (!isRoot || !key.values.empty()) {
        out += '[';
        out += path;
        out += ']';
        if (!key.className.empty()) out += " class=" + Quote(key.className);
        out += '\n';
        for (const Value& v : key.values) {
            out += v.name.empty() ? std::string("@") : Quote(v.name);
            out += '=';
            out += FormatData(v.value);
            out += '\n';
        }
    }
    for (const auto& [folded, sub] : key.subkeys) {
        const std::string subPath =
            isRoot ? EscapeKeyName(sub.name) : path + '\\' + EscapeKeyName(sub.name);
        WriteKey(sub, subPath, false, out);
    }
}

// A reader over one line.
class Cursor {
public:
    explicit Cursor(std::string_view s) : s_(s) {}
    bool AtEnd() const { return pos_ >= s_.size(); }
    bool Take(char c) {
        if (AtEnd() || s_[pos_] != c) return false;
        ++pos_;
        return true;
    }
    bool Take(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }
    void SkipBlanks() {
        while (!AtEnd() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
    }
    std::optional<std::string> QuotedText() {
        if (!Take('"')) return std::nullopt;
        std::string out;
        while (!AtEnd()) {
            const char c = s_[pos_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (AtEnd()) return std::nullopt;
            const char e = s_[pos_++];
            if (e == '\\' || e == '"') {
                out += e;
            } else if (e == 'x' && pos_ + 2 <= s_.size()) {
                const int hi = HexDigitValue(s_[pos_]);
                const int lo = HexDigitValue(s_[pos_ + 1]);
                if (hi < 0 || lo < 0) return std::nullopt;
                out += static_cast<char>(hi * 16 + lo);
                pos_ += 2;
            } else {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> HexList() {
        std::vector<std::uint8_t> out;
        if (AtEnd()) return out;
        for (;;) {
            if (pos_ + 2 > s_.size()) return std::nullopt;
            const int hi = HexDigitValue(s_[pos_]);
            const int lo = HexDigitValue(s_[pos_ + 1]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
            pos_ += 2;
            if (AtEnd()) return out;
            if (!Take(',')) return std::nullopt;
        }
    }
    std::string_view Rest() const { return s_.substr(pos_); }
    std::string_view UpTo(char c) {
        const std::size_t end = s_.find(c, pos_);
        if (end == std::string_view::npos) return {};
        const std::string_view out = s_.substr(pos_, end - pos_);
        pos_ = end;
        return out;
    }

private:
    std::string_view s_;
    std::size_t pos_ = 0;
};

std::optional<std::string> UnescapeKeyName(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int hi = HexDigitValue(text[i + 1]);
        const int lo = HexDigitValue(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::optional<RegValue> ParseData(Cursor& c) {
    RegValue value;
    if (c.Take("sz:")) {
        auto text = c.QuotedText();
        if (!text || !c.AtEnd()) return std::nullopt;
        value.type = RegType::Sz;
        value.data.assign(text->begin(), text->end());
        value.data.push_back(0);
        return value;
    }
    if (c.Take("dword:")) {
        const std::string_view digits = c.Rest();
        if (digits.size() != 8) return std::nullopt;
        for (const char d : digits) {
            if (HexDigitValue(d) < 0) return std::nullopt;
        }
        const auto v = platform::ParseInt(digits, 16);
        if (!v) return std::nullopt;
        return RegValue::Dword(static_cast<std::uint32_t>(*v));
    }
    if (c.Take("hex:")) {
        value.type = RegType::Binary;
    } else if (c.Take("hex(")) {
        const std::string_view digits = c.UpTo(')');
        const auto type = platform::ParseInt(digits, 10);
        if (digits.empty() || !type || *type < 0 || *type > 0xFFFFFFFFLL) return std::nullopt;
        if (!c.Take(')') || !c.Take(':')) return std::nullopt;
        value.type = static_cast<RegType>(static_cast<std::uint32_t>(*type));
    } else {
        return std::nullopt;
    }
    auto bytes = c.HexList();
    if (!bytes) return std::nullopt;
    value.data = std::move(*bytes);
    return value;
}

}  // namespace

std::string Fold(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

Key* Key::Find(const std::vector<std::string>& path) {
    Key* key = this;
    for (const std::string& part : path) {
        const auto it = key->subkeys.find(Fold(part));
        if (it == key->subkeys.end()) return nullptr;
        key = &it->second;
    }
    return key;
}

const Key* Key::Find(const std::vector<std::string>& path) const {
    return const_cast<Key*>(this)->Find(path);
}

Value* Key::FindValue(std::string_view valueName) {
    const std::string folded = Fold(valueName);
    for (Value& v : values) {
        if (Fold(v.name) == folded) return &v;
    }
    return nullptr;
}

const Value* Key::FindValue(std::string_view valueName) const {
    return const_cast<Key*>(this)->FindValue(valueName);
}

std::optional<std::vector<std::string>> SplitPath(std::string_view path) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view name = path.substr(start, end - start);
        if (!name.empty()) {
            if (name.size() > kMaxKeyName) return std::nullopt;
            for (const char c : name) {
                if (IsControl(static_cast<unsigned char>(c))) return std::nullopt;
            }
            if (names.size() == kMaxKeyDepth) return std::nullopt;
            names.emplace_back(name);
        }
        start = end + 1;
    }
    return names;
}

std::string Serialize(const Key& root) {
    std::string out(kHeader);
    out += '\n';
    WriteKey(root, "", true, out);
    return out;
}

std::optional<Key> Parse(std::string_view text, int* badLine) {
    Key root;
    Key* current = nullptr;
    int lineNumber = 0;
    std::size_t start = 0;
    auto fail = [&]() -> std::optional<Key> {
        if (badLine != nullptr) *badLine = lineNumber;
        return std::nullopt;
    };
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (lineNumber == 1) {
            if (line != kHeader) return fail();
            continue;
        }
        if (line.empty() || line.front() == ';') continue;

        Cursor c(line);
        if (c.Take('[')) {
            const std::string_view escaped = c.UpTo(']');
            if (!c.Take(']')) return fail();
            current = &root;
            std::size_t s = 0;
            std::size_t depth = 0;
            while (!escaped.empty() && s <= escaped.size()) {
                if (++depth > kMaxKeyDepth) return fail();
                std::size_t e = escaped.find('\\', s);
                if (e == std::string_view::npos) e = escaped.size();
                auto name = UnescapeKeyName(escaped.substr(s, e - s));
                if (!name || name->empty() || name->size() > kMaxKeyName) return fail();
                Key& sub = current->subkeys[Fold(*name)];
                if (sub.name.empty()) sub.name = *name;
                current = &sub;
                s = e + 1;
            }
            c.SkipBlanks();
            if (c.Take("class=")) {
                auto className = c.QuotedText();
                if (!className) return fail();
                current->className = *className;
            }
            c.SkipBlanks();
            if (!c.AtEnd()) return fail();
            continue;
        }

        if (current == nullptr) return fail();
        std::string name;
        if (!c.Take('@')) {
            auto quoted = c.QuotedText();
            if (!quoted) return fail();
            name = std::move(*quoted);
        }
        if (!c.Take('=')) return fail();
        auto value = ParseData(c);
        if (!value) return fail();
        if (Value* existing = current->FindValue(name)) {
            existing->value = std::move(*value);
        } else {
            current->values.push_back({std::move(name), std::move(*value)});
        }
    }
    // Even an empty hive is written with its first line; a file without it is not ours.
    if (lineNumber == 0) return fail();
    return root;
}

}  // namespace platform::hive
