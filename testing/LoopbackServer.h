#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

// Bytes that differ from their neighbours and repeat only after a long run, so that a body
// cut, shifted or joined in the wrong order never compares equal.
inline std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 13 + i / 509) & 0xFF);
    return bytes;
}

// How the server answers one path.
struct HttpReply {
    enum class Length {
        Exact,      // Content-Length is the body's size
        None,       // no Content-Length: the body ends when the connection closes
        Announced,  // Content-Length is `announced`, right or wrong
    };
    static constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();

    int status = 200;
    std::string body;
    Length length = Length::Exact;
    std::uint64_t announced = 0;
    std::size_t chunk = 0;               // bytes per write; 0 sends the body at once
    std::chrono::milliseconds delay{0};  // pause before each chunk after the first
    std::size_t cutAfter = kNever;       // closes the connection after so many bytes
    std::size_t holdAfter = kNever;      // waits for Release() after so many bytes
    std::string location;                // Location header, for redirects

    static HttpReply Body(std::string bytes) {
        HttpReply reply;
        reply.body = std::move(bytes);
        return reply;
    }
    static HttpReply Status(int code, std::string bytes = {}) {
        HttpReply reply = Body(std::move(bytes));
        reply.status = code;
        return reply;
    }
    static HttpReply Redirect(std::string to) {
        HttpReply reply = Status(302);
        reply.location = std::move(to);
        return reply;
    }
    HttpReply NoLength() && { return With(&HttpReply::length, Length::None); }
    HttpReply Announce(std::uint64_t size) && {
        length = Length::Announced;
        return With(&HttpReply::announced, size);
    }
    HttpReply Chunks(std::size_t size, std::chrono::milliseconds pause = {}) && {
        delay = pause;
        return With(&HttpReply::chunk, size);
    }
    HttpReply CutAfter(std::size_t bytes) && { return With(&HttpReply::cutAfter, bytes); }
    HttpReply HoldAfter(std::size_t bytes) && { return With(&HttpReply::holdAfter, bytes); }

private:
    template <class T, class V>
    HttpReply With(T HttpReply::*member, V value) {
        this->*member = value;
        return std::move(*this);
    }
};

// An HTTP/1.0-style server on 127.0.0.1 at a free port, for tests of downloads: one thread
// accepts, one thread serves each connection, and every connection is closed after its
// reply. Paths it was not told about get 404. Stops and joins its threads when it goes.
class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    void Serve(const std::string& path, HttpReply reply);
    // "http://127.0.0.1:<port>" + path.
    std::string Url(std::string_view path) const;
    int port() const { return port_; }

    // Requests received for a path so far.
    int Requests(const std::string& path);
    // Waits until a reply stands at its hold point; false after the limit.
    bool WaitUntilHeld(std::chrono::milliseconds limit);
    // Lets held replies (and later ones) go past their hold point.
    void Release();

private:
    void Accept();
    void Answer(int fd);
    bool Send(int fd, const char* data, std::size_t size);
    // Sleeps for the delay unless the server stops first; false when it stops.
    bool Pause(std::chrono::milliseconds delay);

    int listener_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, HttpReply> replies_;
    std::map<std::string, int> requests_;
    bool stopping_ = false;
    bool released_ = false;
    int held_ = 0;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace testing_support
