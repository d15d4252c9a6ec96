#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/com/Com.h"

namespace platform {

// Fetches a whole resource on the calling thread, by the same rules as the bindings (http,
// https, file, a name without a scheme is a path). The transfer ends after `timeout` in all;
// more than `limit` bytes fail the fetch. body receives the bytes on success, else nothing.
HRESULT FetchUrl(std::string_view name, std::chrono::milliseconds timeout, std::string* body,
                 std::size_t limit = std::size_t{1} << 20);

}  // namespace platform
