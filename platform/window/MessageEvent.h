#pragma once

#include <map>
#include <memory>
#include <mutex>

#include <QCoreApplication>
#include <QEvent>

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VANTELO_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define VANTELO_THREAD_SANITIZER 1
#endif
#ifdef VANTELO_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

#include "platform/wintypes/Messages.h"

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

// Qt hands a posted event to the GUI thread under a lock of its own that ThreadSanitizer
// cannot see, Qt not being built with it. Posting marks the handover and the first reader of
// a posted event marks the taking, on the application object, which every copy of this layer
// in a process shares.
inline void MarkHandedOver() {
#ifdef VANTELO_THREAD_SANITIZER
    if (QCoreApplication* app = QCoreApplication::instance()) __tsan_release(app);
#endif
}

inline void MarkTaken() {
#ifdef VANTELO_THREAD_SANITIZER
    if (QCoreApplication* app = QCoreApplication::instance()) __tsan_acquire(app);
#endif
}

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
