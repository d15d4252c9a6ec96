// regsvr [-u] LIBRARY: has an in-process server library write its classes into the registry
// (DllRegisterServer) or take them out again (-u: DllUnregisterServer).
//
// Exit codes: 0 done, 1 wrong usage, 2 the library cannot be loaded, 3 it lacks the entry,
// 4 the entry reported a failure.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com/Com.h"

namespace {

enum Exit { kDone = 0, kUsage = 1, kNotLoaded = 2, kNoEntry = 3, kFailed = 4 };

using RegistrationEntry = platform::HRESULT (*)();

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0 && !unregister) {
            unregister = true;
        } else if (library == nullptr && argv[i][0] != '-') {
            library = argv[i];
        } else {
            library = nullptr;
            break;
        }
    }
    if (library == nullptr) {
        std::fprintf(stderr, "usage: regsvr [-u] LIBRARY\n");
        return kUsage;
    }
    // A bare name would be searched on the library path, not taken from here.
    std::string path = library;
    if (path.find('/') == std::string::npos) path = "./" + path;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "regsvr: cannot load %s: %s\n", library, why != nullptr ? why : "");
        return kNotLoaded;
    }
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto entry = reinterpret_cast<RegistrationEntry>(::dlsym(handle, entryName));
    if (entry == nullptr) {
        std::fprintf(stderr, "regsvr: %s has no %s\n", library, entryName);
        return kNoEntry;
    }
    const platform::HRESULT result = entry();
    if (platform::Failed(result)) {
        std::fprintf(stderr, "regsvr: %s failed with 0x%08X\n", entryName,
                     static_cast<unsigned>(result));
        return kFailed;
    }
    std::printf("%s: %s succeeded\n", library, entryName);
    return kDone;
}
