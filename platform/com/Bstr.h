#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Automation text: UTF-16 code units with their length kept in front of them, so a text may
// hold zeros and still ends in one. A null BSTR reads as the empty text everywhere.
//
// A BSTR is plain memory of the C library, so one made by a server library may be freed by
// its client, each holding its own copy of this layer.
using OLECHAR = char16_t;
using BSTR = OLECHAR*;

// A copy of a zero-terminated text; null for null or when memory runs out.
BSTR SysAllocString(const OLECHAR* text);
// `length` units copied from `text`, or zero-filled when `text` is null; null when memory
// runs out or the length cannot be held.
BSTR SysAllocStringLen(const OLECHAR* text, std::uint32_t length);
void SysFreeString(BSTR text);
std::uint32_t SysStringLen(BSTR text);

// UTF-8 to automation text and back. Bytes that are not UTF-8 become U+FFFD, as do lone
// surrogates on the way back; zeros inside the text are kept.
BSTR BstrFromUtf8(std::string_view text);
std::string Utf8FromBstr(BSTR text);
std::string Utf8FromUtf16(std::u16string_view units);
std::u16string_view BstrView(BSTR text);

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8) : text_(BstrFromUtf8(utf8)) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            SysFreeString(text_);
            text_ = other.text_;
            other.text_ = nullptr;
        }
        return *this;
    }

    BSTR get() const { return text_; }
    // For calls that hand out a BSTR: whatever was held is freed first.
    BSTR* Out() {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }
    BSTR Detach() {
        BSTR text = text_;
        text_ = nullptr;
        return text;
    }
    std::string Utf8() const { return Utf8FromBstr(text_); }

private:
    BSTR text_ = nullptr;
};

}  // namespace platform
