#pragma once

#include <string>
#include <string_view>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it when
// the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string Path(std::string_view name) const;
    // Writes bytes to a file in the folder (creating subfolders) and returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const;

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);

// Qt and the web engine keep sockets and locks in the session's runtime folder; a test
// process that was given none gets a private one that goes with the process, instead of a
// folder left behind in the system's temporary folder.
void UsePrivateRuntimeFolder();

}  // namespace testing_support
