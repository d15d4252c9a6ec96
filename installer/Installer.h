#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "installer/Collaborators.h"

namespace installer {

// The DirectX versions the test tells apart.
inline constexpr int kDirectX1 = 0x100;
inline constexpr int kDirectX2 = 0x200;
inline constexpr int kDirectX3 = 0x300;
inline constexpr int kDirectX5 = 0x500;
inline constexpr int kDirectX6 = 0x600;

// Netscape states.
inline constexpr int kNetscapeNotTried = 0;
inline constexpr int kNetscapeExplorerOnly = 1;
inline constexpr int kNetscapeFolderNotFound = 2;

// OS kinds.
inline constexpr int kOsUnknown = 0;
inline constexpr int kOsWindows9x = 1;
inline constexpr int kOsWindowsNT = 2;

// The package's files, by bare name.
inline constexpr std::string_view kCodecLibrary = "lwf215p.so";
inline constexpr std::string_view kControlLibrary = "Vantelo.so";
inline constexpr std::string_view kNetscapePlugin = "NPLensObj.so";
inline constexpr std::string_view kNetscapeClass = "NPLensObj.class";
inline constexpr std::string_view kMozillaPlugin = "NPvantelo.so";
inline constexpr std::string_view kMozillaInterfaces = "NPvantelo.xpt";

// The DirectX version the steps reach on a machine of that profile; sets `osKind`. Each
// failed step writes its line to the debug output.
int DetectDirectXVersion(const OsProfile& os, DirectXSteps& steps, int& osKind);

// One run of the installer: checks, installation, summary and final dialog. Gives the
// process's exit code: 1 when the browsers were installed for, else 0.
int RunInstaller(std::string_view commandLine, Collaborators& collaborators);

// The installer's state and steps; RunInstaller makes one and runs it.
class Installer {
public:
    explicit Installer(Collaborators& collaborators) : c_(collaborators) {}

    int Run(std::string_view commandLine);
    // 0 when the user gave up at the colour check, else 1.
    int Install();

    bool CopyIfNewer(std::string_view sourceName, const std::string& target);
    bool InstallViewerControl();
    bool InstallNetscape();
    bool InstallMozilla();
    bool InstallOpera();

    std::string Summary() const;

    bool failed() const { return failed_; }
    int netscapeState() const { return netscapeState_; }
    int directXVersion() const { return directXVersion_; }
    const std::string& failureReason() const { return failureReason_; }

private:
    enum class CopyOutcome { Copied, Unchanged, SkippedOlder, Failed };
    // Where a browser's files went: into its plug-in folder, nowhere (no folder named), or a
    // copy failed.
    enum class Reach { Reached, NoFolder, Failed };

    CopyOutcome Copy(std::string_view sourceName, const std::string& target);
    void Fail(std::string reason);
    // Copies each named file into `folder` (an empty folder names none), stopping at the first
    // that fails.
    Reach CopyInto(const std::string& folder, std::initializer_list<std::string_view> names);
    Reach InstallNetscape4();
    // Netscape 6; none when it is not installed.
    std::optional<Reach> InstallNetscape6();
    bool MakeFolder(const std::string& path);
    bool RegisterControl(const std::string& library);
    void RemoveOldTypeLibrary();
    std::string FinalText() const;
    std::string Source(std::string_view name) const;

    Collaborators& c_;
    std::string title_;
    bool showFinalDialog_ = true;
    int osKind_ = kOsUnknown;
    int directXVersion_ = 0;
    bool failed_ = false;
    std::string failureReason_;
    bool controlRegistered_ = false;
    int netscapeState_ = kNetscapeNotTried;
    bool netscapeInstalled_ = false;
    bool explorerLine_ = false;
    bool netscapeLine_ = false;
    bool mozillaLine_ = false;
    bool operaLine_ = false;
};

}  // namespace installer
