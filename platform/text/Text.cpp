#include "platform/text/Text.h"

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Switches the calling thread to the C locale for the lifetime of the guard.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string FormatC(const char* format, ...) {
    CLocaleScope scope;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, format, args);
    }
    va_end(args);
    return out;
}

int ScanC(const char* text, const char* format, ...) {
    CLocaleScope scope;
    va_list args;
    va_start(args, format);
    const int n = std::vsscanf(text, format, args);
    va_end(args);
    return n;
}

std::optional<double> ParseDouble(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return {};
    return value;
}

std::optional<long long> ParseInt(std::string_view text, int base) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return {};
    return value;
}

double AtoF(std::string_view text) {
    const std::string copy(text);
    return strtod_l(copy.c_str(), nullptr, CLocale());
}

long long AtoI(std::string_view text) {
    const std::string copy(text);
    errno = 0;
    // Out of range, strtoll holds the value at the end it passed, which is what a reader
    // of a stored number wants rather than a silent 0.
    return std::strtoll(copy.c_str(), nullptr, 10);
}

int ClampToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace platform
