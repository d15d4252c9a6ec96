#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/Variant.h"
#include "platform/jri/Jri.h"

// One value crossing between the browser's Java machine and automation. Made from a Java
// object it carries the VARIANT the control gets; made from a VARIANT it carries the Java
// object the page gets. A value crossing by reference is written back when it goes.
class CNsxJavaValue {
public:
    // From a Java object, as `requested` (VT_BYREF | VT_R4 for a float the control fills).
    CNsxJavaValue(JRIEnv* env, jref object, platform::VARTYPE requested);
    // From automation values, the Java object made at once.
    CNsxJavaValue(JRIEnv* env, platform::VARIANT* pointed);
    CNsxJavaValue(JRIEnv* env, std::int32_t value, platform::VARTYPE type);
    CNsxJavaValue(JRIEnv* env, std::int16_t value, platform::VARTYPE type);
    CNsxJavaValue(JRIEnv* env, float value, platform::VARTYPE type);
    CNsxJavaValue(JRIEnv* env, const char* text, platform::VARTYPE type);
    virtual ~CNsxJavaValue();
    CNsxJavaValue(const CNsxJavaValue&) = delete;
    CNsxJavaValue& operator=(const CNsxJavaValue&) = delete;

    jref GetJavaObject() const { return object_; }
    platform::VARIANT* GetVariant() { return &value_; }
    // Where the control writes: a by-reference value's own target (a scratch float when the
    // Java object gave nothing of that type), else the value's data.
    void* GetData();
    void SetFromVariant(JRIEnv* env);

    // The conversions, usable on their own.
    static platform::VARIANT FromJava(JRIEnv* env, jref object, platform::VARTYPE requested);
    static jref ToJava(JRIEnv* env, const platform::VARIANT& value);

    // Nesting beyond this gives VT_ERROR elements, so a container holding itself ends.
    static constexpr int kMaxDepth = 32;
    // What one conversion may make in all; past either, the whole value crosses as a
    // missing one and nothing more is unfolded.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Most fuzz inputs unfold to the budget: a smaller one keeps each of them quick under
    // the sanitizers, and reaches the same refusal.
    static constexpr std::uint64_t kMaxValues = 20000;
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 20;
#else
    static constexpr std::uint64_t kMaxValues = 1000000;
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{64} << 20;
#endif

private:
    static jref ArrayToJava(JRIEnv* env, const platform::VARIANT& value);
    void WriteBack();
    void WriteBackToVariant();

    jref object_ = 0;
    platform::VARIANT value_{};
    JRIEnv* env_ = nullptr;
    bool fromVariant_ = false;
    bool ownsValue_ = false;
    bool byReference_ = false;
    platform::VARTYPE requested_ = platform::VT_EMPTY;
    platform::VARIANT scratch_{};
};

// The Java Object array handed to a page function.
class CNsxJavaArgs {
public:
    CNsxJavaArgs(JRIEnv* env, int count, bool ownsElements);
    ~CNsxJavaArgs();
    CNsxJavaArgs(const CNsxJavaArgs&) = delete;
    CNsxJavaArgs& operator=(const CNsxJavaArgs&) = delete;

    void Add(CNsxJavaValue* value);
    jref GetJavaArray() const { return array_; }

private:
    std::vector<CNsxJavaValue*> values_;
    jref array_ = 0;
    JRIEnv* env_ = nullptr;
    bool owns_ = false;
};

// Page text: UTF-8 is the page's code page here, so nothing is lost either way.
int JavaStringAnsiLength(JRIEnv* env, jref string);
// Null for a null or unreadable string.
bool JavaStringToAnsi(JRIEnv* env, jref string, std::string& out);
jref AnsiToJavaString(JRIEnv* env, const char* text, int length);
platform::BSTR AnsiToBstr(const char* text, int length);
// A Java string straight from automation text, and back.
jref BstrToJavaString(JRIEnv* env, platform::BSTR text);
platform::BSTR JavaStringToBstr(JRIEnv* env, jref string);
