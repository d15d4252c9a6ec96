#pragma once

// Helpers shared by the JPEG decoder, the JPEG writer and the IPTC writer. Private to the
// image library: nothing outside imaging/ includes this file.

#include <csetjmp>
#include <cstddef>
#include <cstdio>

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

}  // namespace jpeg_internal
