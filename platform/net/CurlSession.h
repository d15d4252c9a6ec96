#pragma once

#include <curl/curl.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/com/Com.h"

// What the asynchronous bindings and the blocking fetch share: the names they accept, one
// way of setting up a transfer, and one reading of its outcome.
namespace platform::net_detail {

// The URL for a name: http, https and file URLs as they are; a name without a scheme is a
// local path (relative ones from the current folder) made into a file URL. None for any
// other scheme.
std::optional<std::string> UrlForName(std::string_view name);

// A transfer handle with the rules every fetch follows: only http, https and file, a few
// redirects and only to http or https, a connect timeout, HTTP errors as failures. Null
// when the library cannot make one.
CURL* NewTransfer(const std::string& url);

// The result code of a finished transfer.
HRESULT ResultOf(CURLcode code, CURL* transfer);

}  // namespace platform::net_detail
