#include "platform/window/MessageEvent.h"

namespace platform::window_detail {

void PendingCounts::Add(std::uint32_t id) {
    std::lock_guard lock(mutex_);
    ++counts_[id];
}

void PendingCounts::Drop(std::uint32_t id) {
    std::lock_guard lock(mutex_);
    auto it = counts_.find(id);
    if (it != counts_.end() && --it->second <= 0) counts_.erase(it);
}

int PendingCounts::Count(std::uint32_t id) const {
    std::lock_guard lock(mutex_);
    auto it = counts_.find(id);
    return it == counts_.end() ? 0 : it->second;
}

MessageEvent::MessageEvent(const Message& message, std::shared_ptr<PendingCounts> counts)
    : QEvent(EventTypeOf(message.id)), message_(message), counts_(std::move(counts)) {
    if (counts_) counts_->Add(message_.id);
}

MessageEvent::~MessageEvent() {
    Take();
}

void MessageEvent::Take() {
    if (counts_) {
        counts_->Drop(message_.id);
        counts_.reset();
    }
}

}  // namespace platform::window_detail
