#include "platform/jri/testing/FakeVm.h"

#include <cstring>

namespace jri_testing {
namespace {

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::uint32_t c = b;
        int extra = 0;
        if (b >= 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else if (b >= 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if (b >= 0xC0) {
            c = b & 0x1F;
            extra = 1;
        }
        ++i;
        for (int k = 0; k < extra && i < text.size(); ++k, ++i) {
            c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::size_t ElementSize(char type) {
    switch (type) {
        case 'Z':
        case 'B':
            return 1;
        case 'C':
        case 'S':
            return 2;
        case 'I':
        case 'F':
            return 4;
        case 'J':
        case 'D':
            return 8;
        default:
            return 0;
    }
}

}  // namespace

FakeVm::FakeVm() {
    DefineStandardClasses();
}

FakeVm::~FakeVm() = default;

// Classes ---------------------------------------------------------------------------------

void FakeVm::DefineClass(const std::string& name, const std::string& super) {
    auto info = std::make_unique<ClassInfo>();
    info->name = name;
    auto found = classes_.find(super);
    info->super = found != classes_.end() && super != name ? found->second.get() : nullptr;
    ClassInfo* raw = info.get();
    classes_[name] = std::move(info);
    // Every class is an object of java/lang/Class; that one is made first of all.
    ClassInfo* classClass = name == "java/lang/Class" ? raw : Class("java/lang/Class");
    raw->classObject = NewObjectOf(classClass);
    raw->classObject->represents = raw;
}

void FakeVm::DefineField(const std::string& clazz, const std::string& name,
                         const std::string& signature, bool isStatic) {
    ClassInfo* info = Class(clazz);
    if (info == nullptr) return;
    Member member;
    member.owner = info;
    member.name = name;
    member.signature = signature;
    member.isStatic = isStatic;
    members_.push_back(std::move(member));
    info->fields.push_back(static_cast<int>(members_.size() - 1));
}

void FakeVm::DefineMethod(const std::string& clazz, const std::string& name,
                          const std::string& signature, Body body, bool isStatic) {
    ClassInfo* info = Class(clazz);
    if (info == nullptr) return;
    Member member;
    member.owner = info;
    member.name = name;
    member.signature = signature;
    member.isStatic = isStatic;
    member.body = std::move(body);
    members_.push_back(std::move(member));
    info->methods.push_back(static_cast<int>(members_.size() - 1));
}

void FakeVm::DefineNative(const std::string& clazz, const std::string& nameAndSignature) {
    const auto paren = nameAndSignature.find('(');
    if (paren == std::string::npos) return;
    DefineMethod(clazz, nameAndSignature.substr(0, paren), nameAndSignature.substr(paren), {});
    members_.back().isNative = true;
}

void FakeVm::SetClassMissing(const std::string& name, bool missing) {
    if (missing) {
        missing_.insert(name);
    } else {
        missing_.erase(name);
    }
}

FakeVm::ClassInfo* FakeVm::Class(const std::string& name) {
    auto found = classes_.find(name);
    if (found != classes_.end()) return found->second.get();
    if (!name.empty() && name[0] == '[') return ArrayClass(name);
    return nullptr;
}

FakeVm::ClassInfo* FakeVm::ArrayClass(const std::string& name) {
    // "[I", "[[D" and "[Ljava/lang/Float;" are made on first use.
    const std::string element = name.substr(1);
    const bool valid = (element.size() == 1 && ElementSize(element[0]) != 0) ||
                       (element.size() > 2 && element[0] == 'L' && element.back() == ';' &&
                        Class(element.substr(1, element.size() - 2)) != nullptr) ||
                       (!element.empty() && element[0] == '[' && Class(element) != nullptr);
    if (!valid) return nullptr;
    DefineClass(name, "java/lang/Object");
    return classes_[name].get();
}

FakeVm::ClassInfo* FakeVm::ClassOf(jref clazz) {
    auto object = Get(clazz);
    return object ? object->represents : nullptr;
}

bool FakeVm::IsSubclass(const ClassInfo* clazz, const ClassInfo* of) {
    for (; clazz != nullptr; clazz = clazz->super) {
        if (clazz == of) return true;
    }
    return false;
}

jref FakeVm::FindClass(const char* name) {
    if (name == nullptr) return 0;
    log_.push_back(std::string("FindClass ") + name);
    if (missing_.count(name) != 0) return 0;
    ClassInfo* info = Class(name);
    return info != nullptr ? info->classObject->local : 0;
}

jref FakeVm::GetObjectClass(jref object) {
    auto o = Get(object);
    return o ? o->clazz->classObject->local : 0;
}

jbool FakeVm::IsInstanceOf(jref object, jref clazz) {
    auto o = Get(object);
    ClassInfo* info = ClassOf(clazz);
    return o && info != nullptr && IsSubclass(o->clazz, info) ? 1 : 0;
}

jbool FakeVm::IsSameObject(jref a, jref b) {
    return Get(a) == Get(b) ? 1 : 0;
}

// Exceptions ------------------------------------------------------------------------------

jint FakeVm::ThrowNew(jref clazz, const char* message) {
    ClassInfo* info = ClassOf(clazz);
    if (info == nullptr) return -1;
    log_.push_back("ThrowNew " + info->name + ": " + (message != nullptr ? message : ""));
    Throw(info->name, message != nullptr ? message : "");
    return 0;
}

void FakeVm::Throw(const std::string& clazz, const std::string& message) {
    ClassInfo* info = Class(clazz);
    if (info == nullptr) return;
    pending_ = NewObjectOf(info);
    pending_->utf8 = message;
    pending_->chars = Utf8ToUtf16(message);
}

jref FakeVm::ExceptionOccurred() {
    return pending_ ? pending_->local : 0;
}

void FakeVm::ExceptionClear() {
    pending_.reset();
}

std::string FakeVm::PendingClass() {
    return pending_ ? pending_->clazz->name : std::string();
}

std::string FakeVm::PendingMessage() {
    return pending_ ? pending_->utf8 : std::string();
}

// References ------------------------------------------------------------------------------

std::shared_ptr<FakeVm::Object> FakeVm::Get(jref ref) const {
    if (ref == 0) return nullptr;
    if (auto it = locals_.find(ref); it != locals_.end()) return it->second;
    if (auto it = globals_.find(ref); it != globals_.end()) return it->second;
    return nullptr;
}

jref FakeVm::Ref(const std::shared_ptr<Object>& object) {
    return object ? object->local : 0;
}

std::shared_ptr<FakeVm::Object> FakeVm::NewObjectOf(ClassInfo* clazz) {
    auto object = std::make_shared<Object>();
    object->clazz = clazz;
    object->local = nextRef_++;
    locals_[object->local] = object;
    return object;
}

jref FakeVm::NewGlobalRef(jref object) {
    auto o = Get(object);
    if (!o) return 0;
    const jref global = nextRef_++;
    globals_[global] = o;
    log_.push_back("NewGlobalRef " + (o->represents ? o->represents->name : o->clazz->name));
    return global;
}

void FakeVm::DisposeGlobalRef(jref global) {
    auto it = globals_.find(global);
    if (it == globals_.end()) return;
    const auto& o = it->second;
    log_.push_back("DisposeGlobalRef " + (o->represents ? o->represents->name : o->clazz->name));
    globals_.erase(it);
}

// Members ---------------------------------------------------------------------------------

int FakeVm::FindMember(ClassInfo* clazz, const std::string& name, const std::string& signature,
                       bool method, bool isStatic) const {
    for (ClassInfo* c = clazz; c != nullptr; c = c->super) {
        for (int id : method ? c->methods : c->fields) {
            const Member& m = members_[static_cast<std::size_t>(id)];
            if (m.name == name && m.signature == signature && m.isStatic == isStatic) return id;
        }
    }
    return JRIUninitialized;
}

JRIFieldID FakeVm::GetFieldID(jref clazz, const char* name, const char* signature) {
    ClassInfo* info = ClassOf(clazz);
    if (info == nullptr || name == nullptr || signature == nullptr) return JRIUninitialized;
    const int id = FindMember(info, name, signature, false, false);
    if (id < 0) Throw("java/lang/NoSuchFieldError", name);
    return id;
}

JRIFieldID FakeVm::GetStaticFieldID(jref clazz, const char* name, const char* signature) {
    ClassInfo* info = ClassOf(clazz);
    if (info == nullptr || name == nullptr || signature == nullptr) return JRIUninitialized;
    const int id = FindMember(info, name, signature, false, true);
    if (id < 0) Throw("java/lang/NoSuchFieldError", name);
    return id;
}

JRIMethodID FakeVm::GetMethodID(jref clazz, const char* name, const char* signature) {
    ClassInfo* info = ClassOf(clazz);
    if (info == nullptr || name == nullptr || signature == nullptr) return JRIUninitialized;
    const int id = FindMember(info, name, signature, true, false);
    if (id < 0) Throw("java/lang/NoSuchMethodError", name);
    return id;
}

JRIMethodID FakeVm::GetStaticMethodID(jref clazz, const char* name, const char* signature) {
    ClassInfo* info = ClassOf(clazz);
    if (info == nullptr || name == nullptr || signature == nullptr) return JRIUninitialized;
    const int id = FindMember(info, name, signature, true, true);
    if (id < 0) Throw("java/lang/NoSuchMethodError", name);
    return id;
}

jvalue FakeVm::GetField(jref object, JRIFieldID field) {
    auto o = Get(object);
    if (!o || field < 0 || static_cast<std::size_t>(field) >= members_.size()) return jvalue{};
    auto it = o->fields.find(field);
    return it != o->fields.end() ? it->second : jvalue{};
}

void FakeVm::SetField(jref object, JRIFieldID field, jvalue value) {
    auto o = Get(object);
    if (!o || field < 0 || static_cast<std::size_t>(field) >= members_.size()) return;
    o->fields[field] = value;
}

jvalue FakeVm::GetStaticField(jref clazz, JRIFieldID field) {
    ClassInfo* info = ClassOf(clazz);
    if (info == nullptr || field < 0) return jvalue{};
    auto it = info->statics.find(field);
    return it != info->statics.end() ? it->second : jvalue{};
}

std::string FakeVm::Describe(const Member& member) const {
    return member.owner->name + "." + member.name + member.signature;
}

jvalue FakeVm::Invoke(const Member& member, jref self, const jvalue* args) {
    if (member.isNative) {
        jvalue result{};
        if (!CallNative(member.native, member.signature, this, self, args, &result)) {
            Throw("java/lang/UnsatisfiedLinkError", Describe(member));
        }
        return result;
    }
    if (!member.body) return jvalue{};
    return member.body(*this, self, args);
}

jvalue FakeVm::CallMethodA(jref object, JRIMethodID method, const jvalue* args) {
    auto o = Get(object);
    if (!o) {
        Throw("java/lang/NullPointerException", "");
        return jvalue{};
    }
    if (method < 0 || static_cast<std::size_t>(method) >= members_.size()) return jvalue{};
    const Member& declared = members_[static_cast<std::size_t>(method)];
    // Overrides in the object's own class come first.
    const int id = FindMember(o->clazz, declared.name, declared.signature, true, false);
    const Member& member = members_[static_cast<std::size_t>(id >= 0 ? id : method)];
    return Invoke(member, object, args);
}

jvalue FakeVm::CallStaticMethodA(jref clazz, JRIMethodID method, const jvalue* args) {
    if (ClassOf(clazz) == nullptr || method < 0 ||
        static_cast<std::size_t>(method) >= members_.size()) {
        return jvalue{};
    }
    return Invoke(members_[static_cast<std::size_t>(method)], clazz, args);
}

jref FakeVm::NewObjectA(jref clazz, JRIMethodID constructor, const jvalue* args) {
    ClassInfo* info = ClassOf(clazz);
    if (info == nullptr || constructor < 0 ||
        static_cast<std::size_t>(constructor) >= members_.size()) {
        return 0;
    }
    auto object = NewObjectOf(info);
    Invoke(members_[static_cast<std::size_t>(constructor)], object->local, args);
    return object->local;
}

jvalue FakeVm::Call(jref object, const std::string& name, const std::string& signature,
                    const std::vector<jvalue>& args) {
    auto o = Get(object);
    if (!o) return jvalue{};
    const jvalue* values = args.empty() ? nullptr : args.data();
    if (o->represents != nullptr) {
        const int id = FindMember(o->represents, name, signature, true, true);
        if (id >= 0) return CallStaticMethodA(object, id, values);
    }
    const int id = FindMember(o->clazz, name, signature, true, false);
    if (id < 0) {
        Throw("java/lang/NoSuchMethodError", name);
        return jvalue{};
    }
    return CallMethodA(object, id, values);
}

// Strings ---------------------------------------------------------------------------------

jref FakeVm::NewString(const jchar* chars, jint length) {
    if (chars == nullptr && length > 0) return 0;
    auto s = NewObjectOf(Class("java/lang/String"));
    s->chars.assign(reinterpret_cast<const char16_t*>(chars),
                    static_cast<std::size_t>(length > 0 ? length : 0));
    s->utf8 = Utf16ToUtf8(s->chars);
    return s->local;
}

jint FakeVm::GetStringLength(jref string) {
    auto s = Get(string);
    return s ? static_cast<jint>(s->chars.size()) : 0;
}

const jchar* FakeVm::GetStringChars(jref string) {
    auto s = Get(string);
    return s ? reinterpret_cast<const jchar*>(s->chars.c_str()) : nullptr;
}

jref FakeVm::NewStringUTF(const char* bytes, jint length) {
    if (bytes == nullptr) return 0;
    const std::size_t size = length < 0 ? std::strlen(bytes) : static_cast<std::size_t>(length);
    return NewStringOf(std::string(bytes, size));
}

jint FakeVm::GetStringUTFLength(jref string) {
    auto s = Get(string);
    return s ? static_cast<jint>(s->utf8.size()) : 0;
}

const char* FakeVm::GetStringUTFChars(jref string) {
    auto s = Get(string);
    return s ? s->utf8.c_str() : nullptr;
}

jref FakeVm::NewStringOf(const std::string& utf8) {
    auto s = NewObjectOf(Class("java/lang/String"));
    s->utf8 = utf8;
    s->chars = Utf8ToUtf16(utf8);
    return s->local;
}

std::string FakeVm::Utf8(jref string) {
    auto s = Get(string);
    return s ? s->utf8 : std::string();
}

std::string FakeVm::ClassNameOf(jref object) {
    auto o = Get(object);
    return o ? o->clazz->name : std::string();
}

// Arrays ----------------------------------------------------------------------------------

jint FakeVm::GetArrayLength(jref array) {
    auto a = Get(array);
    return a && !a->clazz->name.empty() && a->clazz->name[0] == '[' ? a->length : 0;
}

jref FakeVm::NewObjectArray(jint length, jref elementClass, jref initial) {
    ClassInfo* element = ClassOf(elementClass);
    if (element == nullptr || length < 0) return 0;
    const std::string name =
        element->name[0] == '[' ? "[" + element->name : "[L" + element->name + ";";
    auto array = NewObjectOf(Class(name));
    array->length = length;
    array->elements.assign(static_cast<std::size_t>(length), Get(initial));
    return array->local;
}

jref FakeVm::GetObjectArrayElement(jref array, jint index) {
    auto a = Get(array);
    if (!a || index < 0 || index >= a->length || a->elements.empty()) {
        Throw("java/lang/ArrayIndexOutOfBoundsException", std::to_string(index));
        return 0;
    }
    return Ref(a->elements[static_cast<std::size_t>(index)]);
}

void FakeVm::SetObjectArrayElement(jref array, jint index, jref value) {
    auto a = Get(array);
    if (!a || index < 0 || index >= a->length || a->elements.empty()) {
        Throw("java/lang/ArrayIndexOutOfBoundsException", std::to_string(index));
        return;
    }
    a->elements[static_cast<std::size_t>(index)] = Get(value);
}

jref FakeVm::NewScalarArray(jint length, char elementType, const void* initial) {
    const std::size_t size = ElementSize(elementType);
    if (size == 0 || length < 0) return 0;
    auto array = NewObjectOf(Class(std::string("[") + elementType));
    array->length = length;
    array->elementType = elementType;
    array->scalars.assign(size * static_cast<std::size_t>(length), 0);
    if (initial != nullptr && !array->scalars.empty()) {
        std::memcpy(array->scalars.data(), initial, array->scalars.size());
    }
    return array->local;
}

void* FakeVm::GetScalarArrayElements(jref array) {
    auto a = Get(array);
    return a && a->elementType != 0 ? a->scalars.data() : nullptr;
}

// Natives ---------------------------------------------------------------------------------

jint FakeVm::RegisterNatives(jref clazz, const char** nameAndSignatures, void** functions) {
    ClassInfo* info = ClassOf(clazz);
    if (info == nullptr || nameAndSignatures == nullptr || functions == nullptr) return -1;
    log_.push_back("RegisterNatives " + info->name);
    jint result = 0;
    for (std::size_t i = 0; nameAndSignatures[i] != nullptr; ++i) {
        const std::string entry = nameAndSignatures[i];
        const auto paren = entry.find('(');
        bool bound = false;
        for (int id : info->methods) {
            Member& m = members_[static_cast<std::size_t>(id)];
            if (m.isNative && paren != std::string::npos && m.name == entry.substr(0, paren) &&
                m.signature == entry.substr(paren)) {
                m.native = functions[i];
                bound = true;
            }
        }
        if (!bound) {
            Throw("java/lang/UnsatisfiedLinkError", entry);
            result = -1;
        }
    }
    return result;
}

void FakeVm::UnregisterNatives(jref clazz) {
    ClassInfo* info = ClassOf(clazz);
    if (info == nullptr) return;
    log_.push_back("UnregisterNatives " + info->name);
    for (int id : info->methods) members_[static_cast<std::size_t>(id)].native = nullptr;
}

bool FakeVm::NativeBound(const std::string& clazz, const std::string& nameAndSignature) const {
    auto found = classes_.find(clazz);
    if (found == classes_.end()) return false;
    for (int id : found->second->methods) {
        const Member& m = members_[static_cast<std::size_t>(id)];
        if (m.isNative && m.name + m.signature == nameAndSignature) return m.native != nullptr;
    }
    return false;
}

std::vector<std::string> FakeVm::LogOf(const std::string& prefix) const {
    std::vector<std::string> entries;
    for (const std::string& entry : log_) {
        if (entry.compare(0, prefix.size(), prefix) == 0)
            entries.push_back(entry.substr(prefix.size()));
    }
    return entries;
}

}  // namespace jri_testing
