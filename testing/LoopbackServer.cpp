#include "testing/LoopbackServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace testing_support {
namespace {

const char* ReasonOf(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

// The path of the request line, or empty when the request is not readable.
std::string ReadRequestPath(int fd) {
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) return {};
        request.append(buffer, static_cast<std::size_t>(got));
    }
    const std::size_t start = request.find(' ');
    if (start == std::string::npos) return {};
    const std::size_t end = request.find(' ', start + 1);
    if (end == std::string::npos) return {};
    return request.substr(start + 1, end - start - 1);
}

}  // namespace

LoopbackServer::LoopbackServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listener_ < 0 ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(wake_, O_CLOEXEC) != 0) {
        throw std::runtime_error("the loopback server cannot listen");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = write(wake_[1], &byte, 1);
    acceptor_.join();
    for (std::thread& connection : connections_) connection.join();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

void LoopbackServer::Serve(const std::string& path, HttpReply reply) {
    std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

std::string LoopbackServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

int LoopbackServer::Requests(const std::string& path) {
    std::lock_guard lock(mutex_);
    const auto found = requests_.find(path);
    return found == requests_.end() ? 0 : found->second;
}

bool LoopbackServer::WaitUntilHeld(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return held_ > 0; });
}

void LoopbackServer::Release() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

void LoopbackServer::Accept() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if ((fds[1].revents & POLLIN) != 0) return;
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, fd] {
            Answer(fd);
            close(fd);
        });
    }
}

bool LoopbackServer::Send(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool LoopbackServer::Pause(std::chrono::milliseconds delay) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, delay, [this] { return stopping_; });
}

void LoopbackServer::Answer(int fd) {
    const std::string path = ReadRequestPath(fd);
    HttpReply reply;
    {
        std::lock_guard lock(mutex_);
        ++requests_[path];
        const auto found = replies_.find(path);
        if (found == replies_.end()) {
            reply.status = 404;
            reply.body = "not here";
        } else {
            reply = found->second;
        }
    }
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonOf(reply.status) +
                       "\r\nConnection: close\r\nContent-Type: application/octet-stream\r\n";
    if (reply.length == HttpReply::Length::Exact) {
        head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    } else if (reply.length == HttpReply::Length::Announced) {
        head += "Content-Length: " + std::to_string(reply.announced) + "\r\n";
    }
    if (!reply.location.empty()) head += "Location: " + reply.location + "\r\n";
    head += "\r\n";
    if (!Send(fd, head.data(), head.size())) return;

    const std::size_t total = std::min(reply.body.size(), reply.cutAfter);
    const std::size_t chunk = reply.chunk == 0 ? total : reply.chunk;
    std::size_t sent = 0;
    bool heldOnce = false;
    while (sent < total || (sent == reply.holdAfter && !heldOnce)) {
        if (sent == reply.holdAfter && !heldOnce) {
            heldOnce = true;
            std::unique_lock lock(mutex_);
            ++held_;
            changed_.notify_all();
            changed_.wait(lock, [this] { return released_ || stopping_; });
            --held_;
            if (stopping_) return;
            if (sent == total) break;
        }
        if (sent > 0 && reply.delay.count() > 0 && !Pause(reply.delay)) return;
        std::size_t count = std::min(chunk, total - sent);
        if (reply.holdAfter > sent) count = std::min(count, reply.holdAfter - sent);
        if (!Send(fd, reply.body.data() + sent, count)) return;
        sent += count;
    }
    // A cut connection is dropped hard, as a failing peer would.
    if (reply.cutAfter != HttpReply::kNever) {
        linger hard{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
}

}  // namespace testing_support
