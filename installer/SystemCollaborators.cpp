#include "installer/SystemCollaborators.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files/FileOps.h"
#include "platform/gfx/RelativeMouse.h"
#include "platform/version/VersionBlock.h"

namespace installer {
namespace {

template <class T>
bool Answers(const platform::ComPtr<T>& object, const platform::IID& iid) {
    platform::ComPtr<platform::IUnknown> other;
    return object && object.QueryTo(iid, other);
}

// The error numbers the copy steps tell apart; the rest keep a number of their own.
int ErrorNumber(platform::FileError error) {
    switch (error) {
        case platform::FileError::None:
            return 0;
        case platform::FileError::AccessDenied:
            return kErrorAccessDenied;
        case platform::FileError::InUse:
            return kErrorSharingViolation;
        case platform::FileError::Exists:
            return kErrorAlreadyExists;
        case platform::FileError::NotFound:
            return kErrorPathNotFound;
        case platform::FileError::WriteProtected:
            return 19;
        case platform::FileError::CrossDevice:
            return 17;
        case platform::FileError::Cancelled:
            return 1223;
        case platform::FileError::Other:
            break;
    }
    return 29;  // a write fault
}

}  // namespace

std::string DefaultProgramFiles() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string folder;
    if (data != nullptr && data[0] == '/') {
        folder = data;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : "") + "/.local/share";
    }
    return folder + "/vantelo/program";
}

bool GfxDirectXSteps::CreateDirectDraw() {
    return gfx::DirectDrawCreate(nullptr, directDraw_.Put()) == gfx::DD_OK;
}

bool GfxDirectXSteps::QueryDirectDraw2() {
    return Answers(directDraw_, gfx::IID_IDirectDraw2);
}

bool GfxDirectXSteps::FindDirectInputCreate() {
    return !gfx::mouse::Refused();
}

bool GfxDirectXSteps::SetNormalCooperativeLevel() {
    return directDraw_ &&
           directDraw_->SetCooperativeLevel(gfx::WindowRef(), gfx::DDSCL_NORMAL) == gfx::DD_OK;
}

bool GfxDirectXSteps::CreatePrimarySurface() {
    if (!directDraw_) return false;
    gfx::SurfaceDesc desc;
    desc.flags = gfx::DDSD_CAPS;
    desc.caps = gfx::DDSCAPS_PRIMARYSURFACE;
    return directDraw_->CreateSurface(desc, primary_.Put()) == gfx::DD_OK;
}

bool GfxDirectXSteps::QuerySurface3() {
    return Answers(primary_, gfx::IID_IDirectDrawSurface3);
}

bool GfxDirectXSteps::QuerySurface4() {
    return Answers(primary_, gfx::IID_IDirectDrawSurface4);
}

int SystemFiles::CopyReplacing(const std::string& from, const std::string& to) {
    return ErrorNumber(platform::CopyFileReplacing(from, to));
}

void SystemFiles::SetNormalAttributes(const std::string& path) {
    platform::ClearReadOnly(path);
}

int SystemFiles::CreateFolder(const std::string& path) {
    return ErrorNumber(platform::CreateFolder(path));
}

bool SystemFiles::CanOpen(const std::string& path) {
    const int fd = platform::OpenForReading(path);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::optional<FixedVersion> SystemFiles::VersionOf(const std::string& path) {
    const std::optional<platform::version::VersionInfo> info =
        platform::version::ReadVersionInfoFromFile(path);
    if (!info) return std::nullopt;
    FixedVersion version;
    version.bytes = info->fixedBytes;
    version.fileVersionMS = info->fixed.fileVersionMS;
    return version;
}

}  // namespace installer
