#pragma once

// Helpers shared by the JPEG decoder, the JPEG writer and the IPTC writer. Private to the
// image library: nothing outside imaging/ includes this file.

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <string>

#include <jpeglib.h>

namespace jpeg_internal {

// The library's standard error manager with its exits replaced. An error never ends the
// process: it longjmps to the guarded call that last set `jump`. Warnings and trace lines
// go to the debug sink.
//
// Every guarded call is a small function of the shape
//     if (setjmp(errors.jump) != 0) return false;
//     ...library calls...
//     return true;
// holding no C++ object with a destructor, so jumping out of the library's C frames
// skips nothing that needs to run.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// Fills in the standard manager and replaces its error exit and message output.
jpeg_error_mgr* InstallErrorManager(ErrorManager& errors);

// A file written in full before it takes the place of `path`. An existing file is replaced
// by renaming a temporary file beside it over it, only when Commit succeeds, so every
// failure leaves the original as it was; the replacement keeps the original's permission
// bits. A new file is created beside its place the same way.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool Open(const std::string& path);
    std::FILE* stream() const { return file_; }
    bool Write(const void* data, std::size_t size);
    // Flushes, closes and moves the file into place. False (and nothing replaced) when any
    // write failed.
    bool Commit();
    // Closes and removes the temporary file; the target is untouched.
    void Abort();

private:
    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    bool replacing_ = false;
};

}  // namespace jpeg_internal
