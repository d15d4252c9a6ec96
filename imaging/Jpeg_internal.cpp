#include "imaging/Jpeg_internal.h"

#include <cstring>
#include <string_view>

#include "platform/debug/Debug.h"

namespace jpeg_internal {
namespace {

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    // pub is the first member of ErrorManager, so the library's pointer is ours.
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(errors->jump, 1);
}

void OutputMessage(j_common_ptr cinfo) {
    char line[JMSG_LENGTH_MAX + 1];
    (*cinfo->err->format_message)(cinfo, line);
    const std::size_t length = std::strlen(line);
    line[length] = '\n';
    // Called from inside the library: nothing may be thrown back through its frames.
    try {
        platform::DebugOutput(std::string_view(line, length + 1));
    } catch (...) {
    }
}

}  // namespace

jpeg_error_mgr* InstallErrorManager(ErrorManager& errors) {
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.output_message = OutputMessage;
    return &errors.pub;
}

}  // namespace jpeg_internal
