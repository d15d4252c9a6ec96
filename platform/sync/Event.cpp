#include "platform/sync/Event.h"

namespace platform {

Event::Event(Mode mode, bool initiallySet) : mode_(mode), set_(initiallySet) {}

void Event::Set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    NotifyLocked();
}

void Event::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool Event::IsSet() {
    std::lock_guard lock(mutex_);
    return set_;
}

bool Event::TryTakeLocked() {
    if (!set_) return false;
    if (mode_ == Mode::AutoReset) set_ = false;
    return true;
}

}  // namespace platform
