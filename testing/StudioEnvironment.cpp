#include "testing/StudioEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/registry/Registry.h"
#include "testing/TempDir.h"

namespace testing_support {

namespace {

constexpr const char* kViewerControlKey =
    "CLSID\\{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}\\InprocServer32";

}  // namespace

StudioEnvironment& StudioEnvironment::Get() {
    static StudioEnvironment environment;
    return environment;
}

StudioEnvironment::StudioEnvironment() {
    // Removed with everything in it when the program ends.
    static const auto home = std::make_unique<TempDir>();
    folder_ = home->path();
    const struct {
        const char* name;
        const char* sub;
    } variables[] = {
        {"HOME", "/home"},
        {"XDG_CONFIG_HOME", "/config"},
        {"XDG_DATA_HOME", "/data"},
        {"XDG_CACHE_HOME", "/cache"},
        {"XDG_RUNTIME_DIR", "/runtime"},
        {"VANTELO_REGISTRY_DIR", "/registry"},
    };
    for (const auto& variable : variables) {
        const std::string path = folder_ + variable.sub;
        std::error_code error;
        std::filesystem::create_directories(path, error);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, error);
        ::setenv(variable.name, path.c_str(), 1);
    }
}

bool RegisterViewerControl(const std::string& library) {
    StudioEnvironment::Get();
    platform::Registry& registry = platform::Registry::Default();
    if (library.empty()) {
        platform::RegKey classes;
        if (platform::RegKey::Open(registry, platform::RegHive::ClassesRoot, "CLSID", classes) !=
            platform::RegResult::Ok) {
            return true;
        }
        const platform::RegResult result =
            classes.DeleteTree("{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}");
        return result == platform::RegResult::Ok || result == platform::RegResult::NotFound;
    }
    platform::RegKey key;
    if (platform::RegKey::Create(registry, platform::RegHive::ClassesRoot, kViewerControlKey, "",
                                 key) != platform::RegResult::Ok) {
        return false;
    }
    key.DeleteValue("Disabled");
    return key.SetString("", library) == platform::RegResult::Ok;
}

}  // namespace testing_support
