#include "platform/net/Fetch.h"

#include <new>

#include "platform/net/CurlSession.h"
#include "platform/net/UrlMoniker.h"

namespace platform {
namespace {

struct Sink {
    std::string bytes;
    std::size_t limit;
    bool tooLong = false;
    bool outOfMemory = false;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* context) {
    auto& sink = *static_cast<Sink*>(context);
    const std::size_t bytes = size * count;
    if (bytes > sink.limit - sink.bytes.size()) {
        sink.tooLong = true;
        return 0;
    }
    try {
        sink.bytes.append(data, bytes);
    } catch (const std::bad_alloc&) {
        sink.outOfMemory = true;
        return 0;
    }
    return bytes;
}

}  // namespace

HRESULT FetchUrl(std::string_view name, std::chrono::milliseconds timeout, std::string* body,
                 std::size_t limit) {
    if (body == nullptr) return E_POINTER;
    body->clear();
    const std::optional<std::string> url = net_detail::UrlForName(name);
    if (!url) return INET_E_UNKNOWN_PROTOCOL;
    CURL* transfer = net_detail::NewTransfer(*url);
    if (transfer == nullptr) return E_OUTOFMEMORY;
    Sink sink{{}, limit};
    const long milliseconds = timeout.count() > 0 ? static_cast<long>(timeout.count()) : 1L;
    HRESULT result = INET_E_DOWNLOAD_FAILURE;
    if (curl_easy_setopt(transfer, CURLOPT_TIMEOUT_MS, milliseconds) == CURLE_OK &&
        curl_easy_setopt(transfer, CURLOPT_WRITEFUNCTION, &Collect) == CURLE_OK &&
        curl_easy_setopt(transfer, CURLOPT_WRITEDATA, &sink) == CURLE_OK) {
        result = net_detail::ResultOf(curl_easy_perform(transfer), transfer);
    }
    curl_easy_cleanup(transfer);
    if (sink.outOfMemory) result = E_OUTOFMEMORY;
    if (sink.tooLong) result = INET_E_DOWNLOAD_FAILURE;
    if (Succeeded(result)) *body = std::move(sink.bytes);
    return result;
}

}  // namespace platform
