#pragma once

#include <string>

// A private folder of the studio under the temporary folder, held with an exclusive lock for
// as long as this object lives. The temporary folder is shared by every process and every
// user, so a folder is taken only when it is a real folder of this user that no other
// process holds; otherwise the next name is tried: name, name_1, name_2, ...
class WorkingFolder {
public:
    WorkingFolder() = default;
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    // The system's temporary folder (TMPDIR when set) with a trailing '/'.
    static std::string TemporaryFolder();

    // Creates (or reuses) and locks a folder named `name` (or the first free numbered name)
    // in `parent`; releases the folder held before. False when none could be held.
    bool Claim(const std::string& parent, const std::string& name);
    void Release();

    bool IsHeld() const { return fd_ >= 0; }
    // The held folder with a trailing '/'; empty when none is held.
    const std::string& Path() const { return path_; }

    // Creates a sub-folder of the held folder (an existing one is fine).
    bool MakeSubfolder(const std::string& name) const;
    // Deletes every file of the held folder, or of its sub-folder `subfolder`, symbolic
    // links included (never what they point to); folders inside stay. False when something
    // that should go is left, or when no folder is held.
    bool DeleteFiles(const std::string& subfolder = {}) const;

private:
    bool TryClaim(const std::string& path);

    int fd_ = -1;
    std::string path_;
};
