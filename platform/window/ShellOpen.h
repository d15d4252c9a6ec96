#pragma once

#include <functional>
#include <string_view>

namespace platform {

// Opens an address with the user's own program for it (a web page in the browser, a
// "mailto:" in the mail program). False when nothing could open it, or when the program
// ended in failure within a few seconds (a browser that refuses to run as root); waits that
// long at most for its verdict, the window drawing meanwhile.
bool ShellOpen(std::string_view address);

// Who opens addresses: the desktop's handlers until another is installed (tests record
// instead). Returns the opener installed before; an empty function restores the desktop's.
using AddressOpener = std::function<bool(std::string_view)>;
AddressOpener SetAddressOpener(AddressOpener opener);

}  // namespace platform
