#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {
class Registry;
}

// What the installer asks of the machine, each behind an interface of its own, so that a run
// can be made against any machine a test describes.
namespace installer {

enum class OsFamily { Windows9x, WindowsNT };

struct OsProfile {
    OsFamily family = OsFamily::WindowsNT;
    int majorVersion = 5;
};

class Display {
public:
    virtual ~Display() = default;
    // Bits per pixel of the current mode; none when it cannot be read.
    virtual std::optional<int> BitsPerPixel() = 0;
};

// The steps of the DirectX version test, in the order they are taken; each answers whether it
// succeeded. Later steps use what earlier ones made.
class DirectXSteps {
public:
    virtual ~DirectXSteps() = default;
    virtual bool LoadDirectDraw() = 0;
    virtual bool CreateDirectDraw() = 0;
    virtual bool QueryDirectDraw2() = 0;
    virtual bool LoadDirectInput() = 0;
    virtual bool FindDirectInputCreate() = 0;
    virtual bool SetNormalCooperativeLevel() = 0;
    virtual bool CreatePrimarySurface() = 0;
    virtual bool QuerySurface3() = 0;
    virtual bool QuerySurface4() = 0;
};

// Error numbers the copy and folder steps tell apart.
inline constexpr int kErrorPathNotFound = 3;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorSharingViolation = 32;
inline constexpr int kErrorAlreadyExists = 183;
// A library that cannot be loaded, an entry it lacks.
inline constexpr int kErrorModuleNotFound = 126;
inline constexpr int kErrorProcNotFound = 127;

// A file's fixed version block, as stored, and the file version's major and minor half.
struct FixedVersion {
    std::array<std::uint8_t, 52> bytes{};
    std::uint32_t fileVersionMS = 0;
};

class InstallFiles {
public:
    virtual ~InstallFiles() = default;
    // Copies over whatever `to` holds; 0, or the error number of the failure.
    virtual int CopyReplacing(const std::string& from, const std::string& to) = 0;
    // Takes away what keeps a file from being written (the read-only mark).
    virtual void SetNormalAttributes(const std::string& path) = 0;
    // 0, or the error number (kErrorAlreadyExists when the folder is there already).
    virtual int CreateFolder(const std::string& path) = 0;
    virtual bool CanOpen(const std::string& path) = 0;
    // None for a file without version information.
    virtual std::optional<FixedVersion> VersionOf(const std::string& path) = 0;
};

// Dialog 103: the browsers the installer installed for.
class FinalDialog {
public:
    virtual ~FinalDialog() = default;
    virtual void Show(std::string_view title, std::string_view text) = 0;
};

struct Collaborators {
    Display& display;
    OsProfile os;
    DirectXSteps& directX;
    InstallFiles& files;
    platform::Registry& registry;
    FinalDialog& finalDialog;
    // The package's files are taken by bare name from here.
    std::string packageFolder;
    // The program-files folder when the registry names none.
    std::string fallbackProgramFiles;
};

}  // namespace installer
