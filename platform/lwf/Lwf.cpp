#include "platform/lwf/Lwf.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/debug/Debug.h"
#include "platform/text/Text.h"

namespace platform {
namespace {

void* OpenLibrary(const std::string& path, std::string& error) {
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown error";
    }
    return handle;
}

template <typename Fn>
bool Resolve(void* handle, const char* name, const std::string& where, Fn& slot) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        DebugOutput(FormatC("The LuraWave codec library %s lacks %s\n", where.c_str(), name));
        return false;
    }
    slot = reinterpret_cast<Fn>(symbol);
    return true;
}

std::filesystem::path ProgramPath() {
    std::error_code ec;
    auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : program;
}

// The file of the executable or shared library holding this code.
std::filesystem::path ModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&ModulePath), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    std::error_code ec;
    auto path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::filesystem::path() : path;
}

const LwfFunctions* Load() {
    std::string where;
    std::string error;
    void* handle = nullptr;
    const char* configured = std::getenv("VANTELO_LWF_CODEC");
    if (configured != nullptr && *configured != '\0') {
        // A configured path is the only one tried, so that a wrong setting shows instead of
        // silently picking up some other copy.
        where = configured;
        handle = OpenLibrary(where, error);
    } else {
        // Beside the program, then beside the library this code was linked into (a plug-in
        // the browser loaded from a folder of its own).
        std::error_code ec;
        for (const std::filesystem::path& owner : {ProgramPath(), ModulePath()}) {
            if (owner.empty() || handle != nullptr || !error.empty()) continue;
            const auto beside = owner.parent_path() / kLwfLibraryName;
            if (std::filesystem::exists(beside, ec)) {
                where = beside.string();
                handle = OpenLibrary(where, error);
            }
        }
        if (handle == nullptr && error.empty()) {
            where = kLwfLibraryName;
            handle = OpenLibrary(where, error);
            if (handle == nullptr) {
                DebugOutput(FormatC("LuraWave codec library %s not found\n", kLwfLibraryName));
                return nullptr;
            }
        }
    }
    if (handle == nullptr) {
        DebugOutput(FormatC("Failed to load the LuraWave codec library %s: %s\n", where.c_str(),
                            error.c_str()));
        return nullptr;
    }

    static LwfFunctions table{};
    if (!Resolve(handle, "LwfGetDecoHeaderMemoryRequirements", where,
                 table.getDecoHeaderMemoryRequirements) ||
        !Resolve(handle, "LwfGetImageInfo", where, table.getImageInfo) ||
        !Resolve(handle, "LwfDecodeBegin", where, table.decodeBegin) ||
        !Resolve(handle, "LwfDecodeRows", where, table.decodeRows) ||
        !Resolve(handle, "LwfGetErrorText", where, table.getErrorText)) {
        dlclose(handle);
        return nullptr;
    }
    // The library stays loaded for the life of the process.
    return &table;
}

}  // namespace

const LwfFunctions* LwfCodec() {
    static const LwfFunctions* const codec = Load();
    return codec;
}

bool LwfCodecAvailable() {
    return LwfCodec() != nullptr;
}

}  // namespace platform
