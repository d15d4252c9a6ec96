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

}  // namespace testing_support
