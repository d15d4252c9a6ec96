#pragma once

#include <map>
#include <memory>
#include <mutex>

#include <QEvent>

#include "platform/window/Messages.h"

namespace platform::window_detail {

// How many posted messages of each id wait in one mailbox. Shared with the queued events,
// which may outlive the mailbox when Qt drops them.
class PendingCounts {
public:
    void Add(std::uint32_t id);
    void Drop(std::uint32_t id);
    int Count(std::uint32_t id) const;

private:
    mutable std::mutex mutex_;
    std::map<std::uint32_t, int> counts_;
};

// A posted message: the event type is QEvent::User + id, never registered, so every copy of
// this layer in a process reads the same number the same way.
class MessageEvent final : public QEvent {
public:
    MessageEvent(const Message& message, std::shared_ptr<PendingCounts> counts);
    ~MessageEvent() override;
    MessageEvent(const MessageEvent&) = delete;
    MessageEvent& operator=(const MessageEvent&) = delete;

    const Message& message() const { return message_; }
    // The message is being handled: it no longer counts as waiting.
    void Take();

private:
    Message message_;
    std::shared_ptr<PendingCounts> counts_;
};

inline QEvent::Type EventTypeOf(std::uint32_t id) {
    return static_cast<QEvent::Type>(QEvent::User + static_cast<int>(id));
}

}  // namespace platform::window_detail
