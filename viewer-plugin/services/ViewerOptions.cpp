#include "viewer-plugin/services/ViewerOptions.h"

#include "platform/registry/Registry.h"
#include "viewer-plugin/display/DDWindow.h"

ViewerOptions& Options() {
    static ViewerOptions options;
    return options;
}

platform::CriticalSection& OptionsSection() {
    static platform::CriticalSection section;
    return section;
}

void LoadOptions() {
    using platform::RegHive;
    using platform::RegKey;
    using platform::RegResult;
    platform::SectionHold hold(OptionsSection());
    ViewerOptions& options = Options();
    options = ViewerOptions{};
    RegKey software;
    if (RegKey::Open(platform::Registry::Default(), RegHive::CurrentUser, "Software", software) !=
        RegResult::Ok) {
        return;
    }
    RegKey vantelo;
    if (software.OpenSubKey("Vantelo", vantelo) != RegResult::Ok) return;
    RegKey fullscreen;
    if (vantelo.OpenSubKey("Fullscreen", fullscreen) == RegResult::Ok) {
        const auto read = [&](const char* name, int& value) {
            if (auto stored = fullscreen.GetDword(name)) value = static_cast<int>(*stored);
        };
        read("Allow", options.allow);
        read("Desktop", options.desktop);
        read("Width", options.width);
        read("Height", options.height);
    }
    RegKey debug;
    if (vantelo.OpenSubKey("Debug", debug) == RegResult::Ok) {
        if (auto dx3 = debug.GetDword("DX3"); dx3 && *dx3 != 0) DDWindow::SetForceDX3(true);
    }
}

void SaveOptions() {
    using platform::RegValue;
    platform::SectionHold hold(OptionsSection());
    const ViewerOptions& options = Options();
    // A fresh hive may lack even "Software": it is made too.
    platform::RegKey fullscreen;
    if (platform::RegKey::Create(platform::Registry::Default(), platform::RegHive::CurrentUser,
                                 "Software\\Vantelo\\Fullscreen", "",
                                 fullscreen) != platform::RegResult::Ok) {
        return;
    }
    const auto dword = [](int value) { return RegValue::Dword(static_cast<std::uint32_t>(value)); };
    fullscreen.SetValues({{"Allow", dword(options.allow)},
                          {"Desktop", dword(options.desktop)},
                          {"Width", dword(options.width)},
                          {"Height", dword(options.height)}});
}
