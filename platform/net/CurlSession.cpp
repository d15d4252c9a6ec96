#include "platform/net/CurlSession.h"

#include <cctype>
#include <mutex>

#include "platform/files/PathText.h"
#include "platform/net/UrlMoniker.h"

namespace platform::net_detail {
namespace {

constexpr long kMaxRedirects = 5;
constexpr long kConnectTimeoutSeconds = 30;

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// "scheme:" at the start, as RFC 3986 spells a scheme; lower-cased.
std::optional<std::string> SchemeOf(std::string_view name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    std::string scheme;
    for (std::size_t i = 0; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool allowed = std::isalpha(c) != 0 ||
                             (i > 0 && (std::isdigit(c) != 0 || c == '+' || c == '-' || c == '.'));
        if (!allowed) return std::nullopt;
        scheme += static_cast<char>(std::tolower(c));
    }
    return scheme;
}

std::string FileUrl(std::string_view path) {
    return "file://" + PercentEncodePath(AbsolutePath(path));
}

}  // namespace

std::optional<std::string> UrlForName(std::string_view name) {
    if (name.empty()) return std::nullopt;
    const std::optional<std::string> scheme = SchemeOf(name);
    if (!scheme) return FileUrl(name);
    if (*scheme == "http" || *scheme == "https" || *scheme == "file") return std::string(name);
    return std::nullopt;
}

CURL* NewTransfer(const std::string& url) {
    InitialiseOnce();
    CURL* transfer = curl_easy_init();
    if (transfer == nullptr) return nullptr;
    const bool ok =
        curl_easy_setopt(transfer, CURLOPT_URL, url.c_str()) == CURLE_OK &&
        curl_easy_setopt(transfer, CURLOPT_PROTOCOLS_STR, "http,https,file") == CURLE_OK &&
        curl_easy_setopt(transfer, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
        curl_easy_setopt(transfer, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
        curl_easy_setopt(transfer, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK &&
        curl_easy_setopt(transfer, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds) == CURLE_OK &&
        curl_easy_setopt(transfer, CURLOPT_FAILONERROR, 1L) == CURLE_OK &&
        curl_easy_setopt(transfer, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    if (!ok) {
        curl_easy_cleanup(transfer);
        return nullptr;
    }
    return transfer;
}

HRESULT ResultOf(CURLcode code, CURL* transfer) {
    switch (code) {
        case CURLE_OK:
            return S_OK;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return INET_E_UNKNOWN_PROTOCOL;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_FILE_COULDNT_READ_FILE:
        case CURLE_REMOTE_FILE_NOT_FOUND:
            return INET_E_RESOURCE_NOT_FOUND;
        case CURLE_COULDNT_CONNECT:
            return INET_E_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT:
            return INET_E_CONNECTION_TIMEOUT;
        case CURLE_TOO_MANY_REDIRECTS:
            return INET_E_REDIRECT_FAILED;
        case CURLE_OUT_OF_MEMORY:
            return E_OUTOFMEMORY;
        case CURLE_HTTP_RETURNED_ERROR: {
            long status = 0;
            curl_easy_getinfo(transfer, CURLINFO_RESPONSE_CODE, &status);
            return status == 404 || status == 410 ? INET_E_OBJECT_NOT_FOUND
                                                  : INET_E_DOWNLOAD_FAILURE;
        }
        default:
            return INET_E_DOWNLOAD_FAILURE;
    }
}

}  // namespace platform::net_detail
