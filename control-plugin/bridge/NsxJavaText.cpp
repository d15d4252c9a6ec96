#include "control-plugin/bridge/NsxJavaValue.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace platform;

// ---------------------------------------------------------------------------------------
// Text

int JavaStringAnsiLength(JRIEnv* env, jref string) {
    // From the characters themselves: the machine's own UTF-8 length counts characters
    // beyond the basic plane as six bytes.
    std::string text;
    if (!JavaStringToAnsi(env, string, text)) return 0;
    return static_cast<int>(std::min<std::size_t>(text.size(), INT32_MAX));
}

bool JavaStringToAnsi(JRIEnv* env, jref string, std::string& out) {
    out.clear();
    if (env == nullptr || string == 0) return false;
    const jint length = env->GetStringLength(string);
    const jchar* chars = env->GetStringChars(string);
    if (length < 0 || (chars == nullptr && length > 0)) return false;
    // Sized by the text itself: a character may take up to four bytes.
    out = Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(chars),
                                            static_cast<std::size_t>(length)));
    return true;
}

jref AnsiToJavaString(JRIEnv* env, const char* text, int length) {
    if (env == nullptr || text == nullptr) return 0;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    BSTR units = BstrFromUtf8(std::string_view(text, static_cast<std::size_t>(length)));
    const jref string = BstrToJavaString(env, units);
    SysFreeString(units);
    return string;
}

BSTR AnsiToBstr(const char* text, int length) {
    if (text == nullptr) return nullptr;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    return BstrFromUtf8(std::string_view(text, static_cast<std::size_t>(length)));
}

jref BstrToJavaString(JRIEnv* env, BSTR text) {
    if (env == nullptr) return 0;
    const std::u16string_view units = BstrView(text);
    return env->NewString(reinterpret_cast<const jchar*>(units.data()),
                          static_cast<jint>(units.size()));
}

BSTR JavaStringToBstr(JRIEnv* env, jref string) {
    if (env == nullptr || string == 0) return nullptr;
    const jint length = env->GetStringLength(string);
    const jchar* chars = env->GetStringChars(string);
    if (length <= 0 || chars == nullptr) return SysAllocStringLen(nullptr, 0);
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(chars),
                             static_cast<std::uint32_t>(length));
}
