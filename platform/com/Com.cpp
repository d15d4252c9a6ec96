#include "platform/com/Com.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "platform/debug/Debug.h"
#include "platform/registry/Registry.h"
#include "platform/text/Ascii.h"
#include "platform/text/Text.h"

namespace platform {

namespace {

// Reads `digits` hex digits at `at`; false when any is not one.
bool ReadHex(std::string_view text, std::size_t at, int digits, std::uint64_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = HexDigitValue(text[at + static_cast<std::size_t>(i)]);
        if (d < 0) return false;
        value = value * 16 + static_cast<std::uint64_t>(d);
    }
    return true;
}

std::optional<std::string> InprocServerOf(const CLSID& clsid) {
    RegKey key;
    if (RegKey::Open(Registry::Default(), RegHive::ClassesRoot,
                     "CLSID\\" + FormatGuid(clsid) + "\\InprocServer32", key) != RegResult::Ok) {
        return std::nullopt;
    }
    return key.GetString("");
}

// Loaded server libraries by path, kept for the life of the process.
void* LoadServer(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, void*> loaded;
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = loaded.find(path);
    if (found != loaded.end()) return found->second;
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = ::dlerror();
        DebugOutput("Cannot load " + path + ": " + (why != nullptr ? why : "") + "\n");
        return nullptr;
    }
    loaded.emplace(path, library);
    return library;
}

}  // namespace

std::optional<GUID> ParseGuid(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        return std::nullopt;
    }
    GUID guid;
    std::uint64_t v = 0;
    if (!ReadHex(text, 0, 8, v)) return std::nullopt;
    guid.data1 = static_cast<std::uint32_t>(v);
    if (!ReadHex(text, 9, 4, v)) return std::nullopt;
    guid.data2 = static_cast<std::uint16_t>(v);
    if (!ReadHex(text, 14, 4, v)) return std::nullopt;
    guid.data3 = static_cast<std::uint16_t>(v);
    const std::size_t bytes[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(text, bytes[i], 2, v)) return std::nullopt;
        guid.data4[i] = static_cast<std::uint8_t>(v);
    }
    return guid;
}

std::string FormatGuid(const GUID& g) {
    return FormatC("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2, g.data3,
                   g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5],
                   g.data4[6], g.data4[7]);
}

HRESULT CoGetClassObject(const CLSID& clsid, std::uint32_t context, void* /*serverInfo*/,
                         const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if ((context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;

    // A registration switched off keeps its key with an empty value.
    const std::optional<std::string> path = InprocServerOf(clsid);
    if (!path || path->empty()) return REGDB_E_CLASSNOTREG;
    void* library = LoadServer(*path);
    if (library == nullptr) return CO_E_DLLNOTFOUND;
    void* entry = ::dlsym(library, "DllGetClassObject");
    if (entry == nullptr) return CO_E_ERRORINDLL;
    const auto getClassObject = reinterpret_cast<DllGetClassObjectFunction>(entry);
    const HRESULT found = getClassObject(clsid, iid, object);
    if (Failed(found)) {
        *object = nullptr;
        return found;
    }
    return *object != nullptr ? found : E_FAIL;
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t context, const IID& iid,
                         void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    ComPtr<IClassFactory> factory;
    const HRESULT found =
        CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, factory.Out());
    if (Failed(found)) return found;
    return factory->CreateInstance(outer, iid, object);
}

}  // namespace platform
