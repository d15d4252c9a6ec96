#pragma once

#include <string>

#include "installer/Collaborators.h"
#include "platform/com/Com.h"
#include "platform/gfx/DirectDraw.h"

// The collaborators of a real run: this machine's display layer and files.
namespace installer {

// The DirectX steps answered by the display layer. Its libraries are part of the program, so
// loading them always succeeds; the objects are released with this.
class GfxDirectXSteps final : public DirectXSteps {
public:
    bool LoadDirectDraw() override { return true; }
    bool CreateDirectDraw() override;
    bool QueryDirectDraw2() override;
    bool LoadDirectInput() override { return true; }
    bool FindDirectInputCreate() override;
    bool SetNormalCooperativeLevel() override;
    bool CreatePrimarySurface() override;
    bool QuerySurface3() override;
    bool QuerySurface4() override;

private:
    platform::ComPtr<gfx::DirectDraw> directDraw_;
    platform::ComPtr<gfx::Surface> primary_;
};

// Files through platform/files; versions from the libraries' version sections.
class SystemFiles : public InstallFiles {
public:
    int CopyReplacing(const std::string& from, const std::string& to) override;
    void SetNormalAttributes(const std::string& path) override;
    int CreateFolder(const std::string& path) override;
    bool CanOpen(const std::string& path) override;
    std::optional<FixedVersion> VersionOf(const std::string& path) override;
};

// The folder programs go into when the registry names none: $XDG_DATA_HOME/vantelo/program
// ($HOME/.local/share when XDG_DATA_HOME is not set).
std::string DefaultProgramFiles();

}  // namespace installer
