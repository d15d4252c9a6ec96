#pragma once

#include <string>

namespace testing_support {

// Points the whole program's user folders into one temporary folder: HOME, the XDG folders
// and the registry (VANTELO_REGISTRY_DIR). Made at first use and kept until the program
// ends; use it before anything reads the registry, since the registry's folder is fixed at
// its first use.
class StudioEnvironment {
public:
    static StudioEnvironment& Get();

    const std::string& folder() const { return folder_; }
    std::string RegistryFolder() const { return folder_ + "/registry"; }

private:
    StudioEnvironment();
    std::string folder_;
};

// Registers `library` as the in-process server of the viewer control's class (switched on);
// an empty text removes the registration.
bool RegisterViewerControl(const std::string& library);

}  // namespace testing_support
