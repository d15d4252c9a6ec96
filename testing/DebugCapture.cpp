#include "testing/DebugCapture.h"

#include <algorithm>

namespace testing_support {

DebugCapture::DebugCapture() {
    previous_ = platform::SetDebugHook([this](std::string_view text) {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(text);
    });
}

DebugCapture::~DebugCapture() {
    platform::SetDebugHook(std::move(previous_));
}

std::vector<std::string> DebugCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool DebugCapture::Contains(const std::string& line) const {
    std::lock_guard lock(mutex_);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

void DebugCapture::Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

}  // namespace testing_support
