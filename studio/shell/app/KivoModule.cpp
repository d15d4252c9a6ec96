#include "studio/shell/app/KivoModule.h"

#include <algorithm>
#include <string_view>

#include "platform/registry/Registry.h"
#include "platform/text/Ascii.h"

namespace {

bool IsSwitchCharacter(char c) {
    return c == '-' || c == '/';
}

constexpr const char* kExeKey = "Kivo.EXE";

}  // namespace

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        line += argument;
    }
    return line;
}

RegistrationSwitch FindRegistrationSwitch(const std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].empty() || !IsSwitchCharacter(arguments[i][0])) continue;
        std::vector<std::string> rest(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                                      arguments.end());
        rest[0].erase(0, 1);
        const std::string text = JoinCommandLine(rest);
        if (platform::EqualsNoCase(text, "UnregServer")) return RegistrationSwitch::UnregServer;
        if (platform::EqualsNoCase(text, "RegServer")) return RegistrationSwitch::RegServer;
    }
    return RegistrationSwitch::None;
}

bool HasAutomationSwitch(const std::vector<std::string>& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        if (argument.empty() || !IsSwitchCharacter(argument[0])) return false;
        const std::string_view name = std::string_view(argument).substr(1);
        return platform::EqualsNoCase(name, "Embedding") ||
               platform::EqualsNoCase(name, "Automation");
    });
}

bool CKivoModule::RegisterServer() {
    using platform::RegKey;
    using platform::RegResult;
    RegKey appIds;
    if (RegKey::Create(registry_, platform::RegHive::ClassesRoot, "AppID", "", appIds) !=
        RegResult::Ok) {
        return false;
    }
    RegKey app;
    RegKey exe;
    return appIds.CreateSubKey(kAppId, "", app) == RegResult::Ok &&
           app.SetString("", "Kivo") == RegResult::Ok &&
           appIds.CreateSubKey(kExeKey, "", exe) == RegResult::Ok &&
           exe.SetString("AppID", kAppId) == RegResult::Ok;
}

bool CKivoModule::UnregisterServer() {
    using platform::RegKey;
    using platform::RegResult;
    RegKey appIds;
    const RegResult opened =
        RegKey::Open(registry_, platform::RegHive::ClassesRoot, "AppID", appIds);
    if (opened == RegResult::NotFound) return true;
    if (opened != RegResult::Ok) return false;
    bool removed = true;
    for (const char* key : {kAppId, kExeKey}) {
        const RegResult result = appIds.DeleteTree(key);
        removed = removed && (result == RegResult::Ok || result == RegResult::NotFound);
    }
    return removed;
}
