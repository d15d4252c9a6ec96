// The installation steps: copying a file unless it is older than the one it replaces,
// installing and registering the viewer control, and copying the plug-ins into the plug-in
// folders that the browsers' registry keys name.
#include <dlfcn.h>
#include <elf.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "installer/Installer.h"
#include "platform/com/OleThread.h"
#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "platform/files/UniqueFd.h"
#include "platform/prompts/Prompts.h"
#include "platform/registry/Registry.h"
#include "platform/text/Ascii.h"
#include "platform/text/Text.h"

using platform::PromptAnswer;
using platform::RegHive;
using platform::RegKey;
using platform::RegResult;

namespace installer {
namespace {

constexpr std::string_view kCaption = "Vantelo Install";
// The viewer control's type library; its version 1.0 keys are what older installations left.
constexpr std::string_view kOldTypeLibrary = "TypeLib\\{7A3E51C3-9B40-4D6E-A815-2F6C0B9D4E73}\\1.0";
constexpr std::size_t kMostNetscapeEntries = 10;
// A file that is no library of this machine.
constexpr int kErrorBadExeFormat = 193;

std::string Join(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path.append(name);
    return path;
}

// A failure the user can only take note of.
void Say(const std::string& text) {
    platform::ShowMessage(nullptr, text, kCaption, platform::MessageButtons::Ok,
                          platform::MessageIcon::Error);
}

bool StartsWithVersionDigit(const std::string& name) {
    return !name.empty() && name[0] >= '1' && name[0] <= '8';
}

// A product key's version entry: the one "CurrentVersion" names, else the first. Entries
// are the subkeys that begin with a digit from 1 to 8; only the first ten are looked at.
std::optional<std::string> ChooseVersionEntry(const RegKey& product) {
    std::vector<std::string> names;
    if (product.EnumSubKeys(names) != RegResult::Ok) return std::nullopt;
    std::vector<std::string> entries;
    for (const std::string& name : names) {
        if (!StartsWithVersionDigit(name)) continue;
        if (entries.size() < kMostNetscapeEntries) {
            entries.push_back(name);
        } else {
            Say("Installations error, too much Netscape");
        }
    }
    if (entries.empty()) return std::nullopt;
    std::string chosen = entries.front();
    if (const std::optional<std::string> current = product.GetString("CurrentVersion")) {
        for (const std::string& entry : entries) {
            if (platform::EqualsNoCase(entry, *current)) chosen = entry;
        }
    }
    return chosen;
}

// A folder value; an empty one names no folder.
std::string FolderValue(const RegKey& key, std::string_view name) {
    return key.GetString(name).value_or(std::string());
}

// The start of an ELF header: identification, type and machine.
using ElfStart = std::array<unsigned char, 20>;

// False when the file cannot be opened; a file too short leaves zeros.
bool ReadElfStart(const std::string& path, ElfStart& start) {
    platform::UniqueFd fd(platform::OpenForReading(path));
    if (!fd.ok()) return false;
    start.fill(0);
    [[maybe_unused]] const ssize_t got = ::pread(fd.get(), start.data(), start.size(), 0);
    return true;
}

// In the file's byte order.
unsigned Half(const ElfStart& e, std::size_t at) {
    return e[EI_DATA] == ELFDATA2MSB ? e[at] << 8 | e[at + 1] : e[at + 1] << 8 | e[at];
}

// The number the system gives for a library it could not load: a file that is there but no
// library this program can load (not ELF, another word size, byte order or processor, not a
// shared object) is of a bad format; a missing file, or one whose own libraries are missing,
// is a module not found.
int LoadFailureNumber(const std::string& library) {
    ElfStart file;
    if (!ReadElfStart(library, file)) return kErrorModuleNotFound;
    if (std::memcmp(file.data(), ELFMAG, SELFMAG) != 0) return kErrorBadExeFormat;
    ElfStart self;
    if (!ReadElfStart("/proc/self/exe", self)) return kErrorModuleNotFound;
    const bool fits = file[EI_CLASS] == self[EI_CLASS] && file[EI_DATA] == self[EI_DATA] &&
                      Half(file, 16) == ET_DYN && Half(file, 18) == Half(self, 18);
    return fits ? kErrorModuleNotFound : kErrorBadExeFormat;
}

}  // namespace

std::string Installer::Source(std::string_view name) const {
    return Join(c_.packageFolder, name);
}

void Installer::Fail(std::string reason) {
    failed_ = true;
    failureReason_ = std::move(reason);
}

bool Installer::CopyIfNewer(std::string_view sourceName, const std::string& target) {
    const CopyOutcome outcome = Copy(sourceName, target);
    return outcome == CopyOutcome::Copied || outcome == CopyOutcome::Unchanged;
}

Installer::CopyOutcome Installer::Copy(std::string_view sourceName, const std::string& target) {
    const std::string source = Source(sourceName);
    const std::optional<FixedVersion> from = c_.files.VersionOf(source);
    const std::optional<FixedVersion> to = from ? c_.files.VersionOf(target) : std::nullopt;
    if (from && to) {
        if (from->fileVersionMS < to->fileVersionMS) {
            const PromptAnswer answer = platform::ShowMessage(
                nullptr,
                platform::FormatC("The file (%s) in the install package is older \nthan the one "
                                  "it will replace %s.\nPress cancel to skip installation of "
                                  "the file (recommended)",
                                  std::string(sourceName).c_str(), target.c_str()),
                kCaption, platform::MessageButtons::OkCancel, platform::MessageIcon::Question,
                PromptAnswer::Cancel);
            if (answer != PromptAnswer::Ok) {
                Fail("One of the files was more recent than the installations file, file skipped");
                return CopyOutcome::SkippedOlder;
            }
        } else if (from->bytes == to->bytes) {
            return CopyOutcome::Unchanged;
        }
    }

    int error = c_.files.CopyReplacing(source, target);
    if (error == kErrorAccessDenied) {
        c_.files.SetNormalAttributes(target);
        error = c_.files.CopyReplacing(source, target);
    }
    while (error == kErrorSharingViolation) {
        const PromptAnswer answer = platform::ShowMessage(
            nullptr,
            platform::FormatC("Failed to copy %s to %s\n %s is in use, close all program that "
                              "uses Vantelo and press RETRY to retry",
                              std::string(sourceName).c_str(), target.c_str(), target.c_str()),
            kCaption, platform::MessageButtons::RetryCancel, platform::MessageIcon::Warning);
        if (answer != PromptAnswer::Retry) {
            Fail("File is in use");
            return CopyOutcome::Failed;
        }
        error = c_.files.CopyReplacing(source, target);
    }
    if (error != 0) {
        Say(platform::FormatC("Failed to copy %s to %s\nReturned error: %d",
                              std::string(sourceName).c_str(), target.c_str(), error));
        Fail("Couldn't write file to disk");
        return CopyOutcome::Failed;
    }
    return CopyOutcome::Copied;
}

Installer::Reach Installer::CopyInto(const std::string& folder,
                                     std::initializer_list<std::string_view> names) {
    // Without a folder the targets would be the package's own files.
    if (folder.empty()) return Reach::NoFolder;
    for (std::string_view name : names) {
        // A file the user chose to keep (a newer one) is still an installed file.
        if (Copy(name, Join(folder, name)) == CopyOutcome::Failed) return Reach::Failed;
    }
    return Reach::Reached;
}

bool Installer::MakeFolder(const std::string& path) {
    const int error = c_.files.CreateFolder(path);
    if (error == 0 || error == kErrorAlreadyExists) return true;
    if (osKind_ == kOsWindowsNT) {
        Say(platform::FormatC(
            "Can't create directory %s.\nYou must be logged on as administrator on windows NT",
            path.c_str()));
    } else {
        Say(platform::FormatC("Can't create directory %s.\n", path.c_str()));
    }
    return false;
}

bool Installer::InstallViewerControl() {
    std::string programFiles;
    RegKey windows;
    if (RegKey::Open(c_.registry, RegHive::LocalMachine,
                     "Software\\Microsoft\\Windows\\CurrentVersion", windows) == RegResult::Ok) {
        programFiles = FolderValue(windows, "ProgramFilesDir");
    }
    if (programFiles.empty()) {
        // Our own folder under the user's data folder: its parents may not exist yet.
        programFiles = c_.fallbackProgramFiles;
        for (std::size_t slash = programFiles.find('/', 1); slash != std::string::npos;
             slash = programFiles.find('/', slash + 1)) {
            c_.files.CreateFolder(programFiles.substr(0, slash));
        }
        c_.files.CreateFolder(programFiles);
    }
    const std::string product = Join(programFiles, "Vantelo");
    if (!MakeFolder(product)) return false;
    const std::string folder = Join(product, "1.50");
    if (!MakeFolder(folder)) return false;

    if (!CopyIfNewer(kCodecLibrary, Join(folder, kCodecLibrary))) return false;
    if (!CopyIfNewer(kControlLibrary, Join(folder, kControlLibrary))) return false;
    if (!RegisterControl(Join(folder, kControlLibrary))) return false;
    RemoveOldTypeLibrary();
    controlRegistered_ = true;
    explorerLine_ = true;
    return true;
}

bool Installer::RegisterControl(const std::string& library) {
    platform::OleInitialize(nullptr);
    // The library stays loaded: objects it registered or made may be used later in this run.
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        platform::DebugOutput(std::string(why != nullptr ? why : "") + "\n");
        Say(platform::FormatC("LoadLibrary() Failed with: %i", LoadFailureNumber(library)));
        return false;
    }
    using RegisterEntry = platform::HRESULT (*)();
    const auto entry = reinterpret_cast<RegisterEntry>(::dlsym(handle, "DllRegisterServer"));
    if (entry == nullptr) {
        const char* why = ::dlerror();
        platform::DebugOutput(std::string(why != nullptr ? why : "") + "\n");
        Say(platform::FormatC("GetProcAddress() Failed with %i", kErrorProcNotFound));
        return false;
    }
    if (platform::Failed(entry())) {
        Say("DLLRegisterServer() Failed");
        return false;
    }
    return true;
}

void Installer::RemoveOldTypeLibrary() {
    RegKey version;
    if (RegKey::Open(c_.registry, RegHive::ClassesRoot, kOldTypeLibrary, version) !=
        RegResult::Ok) {
        return;
    }
    for (std::string_view subkey : {"HELPDIR", "FLAGS", "0\\win32", "0"}) {
        version.DeleteSubKey(subkey);
    }
    version.Close();
    const std::size_t cut = kOldTypeLibrary.rfind('\\');
    RegKey library;
    if (RegKey::Open(c_.registry, RegHive::ClassesRoot, kOldTypeLibrary.substr(0, cut), library) ==
        RegResult::Ok) {
        library.DeleteSubKey(kOldTypeLibrary.substr(cut + 1));
    }
}

Installer::Reach Installer::InstallNetscape4() {
    RegKey navigator;
    if (RegKey::Open(c_.registry, RegHive::LocalMachine, "Software\\Netscape\\Netscape Navigator",
                     navigator) != RegResult::Ok) {
        return Reach::NoFolder;
    }
    const std::optional<std::string> entry = ChooseVersionEntry(navigator);
    RegKey main;
    if (!entry || navigator.OpenSubKey(*entry + "\\Main", main) != RegResult::Ok) {
        return Reach::NoFolder;
    }
    return CopyInto(FolderValue(main, "Plugins Directory"), {kNetscapePlugin, kNetscapeClass});
}

std::optional<Installer::Reach> Installer::InstallNetscape6() {
    RegKey product;
    if (RegKey::Open(c_.registry, RegHive::LocalMachine, "Software\\Netscape\\Netscape 6",
                     product) != RegResult::Ok) {
        return std::nullopt;
    }
    const std::optional<std::string> entry = ChooseVersionEntry(product);
    RegKey main;
    if (!entry || product.OpenSubKey(*entry + "\\Main", main) != RegResult::Ok) {
        return Reach::Failed;
    }
    const std::string installed = FolderValue(main, "Install Directory");
    if (installed.empty()) return Reach::NoFolder;
    return CopyInto(Join(installed, "Plugins"), {kNetscapePlugin, kNetscapeClass});
}

bool Installer::InstallNetscape() {
    const Reach navigator = InstallNetscape4();
    if (navigator == Reach::NoFolder) netscapeState_ = kNetscapeFolderNotFound;
    const std::optional<Reach> six = InstallNetscape6();
    bool installed = false;
    if (!six) {
        installed = navigator == Reach::Reached;
    } else if (*six == Reach::Failed) {
        Say("Failed to install Vantelo for Netscape Navigator 6\n(You may get this if you have "
            "tried to uninstall Netscape Navigator 6)");
    } else {
        installed = *six == Reach::Reached || navigator == Reach::Reached;
    }
    if (installed) netscapeLine_ = true;
    return installed;
}

bool Installer::InstallMozilla() {
    RegKey mozilla;
    if (RegKey::Open(c_.registry, RegHive::LocalMachine, "Software\\Mozilla", mozilla) !=
        RegResult::Ok) {
        return false;
    }
    std::vector<std::string> browsers;
    mozilla.EnumSubKeys(browsers);
    bool reached = false;
    bool failed = false;
    for (const std::string& browser : browsers) {
        RegKey extensions;
        if (mozilla.OpenSubKey(browser + "\\Extensions", extensions) != RegResult::Ok) continue;
        const Reach reach = CopyInto(FolderValue(extensions, "Plugins"),
                                     {kMozillaPlugin, kMozillaInterfaces, kCodecLibrary});
        reached = reached || reach == Reach::Reached;
        failed = failed || reach == Reach::Failed;
    }
    const bool installed = reached && !failed;
    if (installed) mozillaLine_ = true;
    return installed;
}

bool Installer::InstallOpera() {
    RegKey opera;
    if (RegKey::Open(c_.registry, RegHive::CurrentUser, "Software\\Opera Software", opera) !=
        RegResult::Ok) {
        return false;
    }
    const bool installed =
        CopyInto(FolderValue(opera, "Plugin Path"),
                 {kMozillaPlugin, kMozillaInterfaces, kCodecLibrary}) == Reach::Reached;
    if (installed) operaLine_ = true;
    return installed;
}

}  // namespace installer
