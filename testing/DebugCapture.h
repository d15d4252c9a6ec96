#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/debug/Debug.h"

namespace testing_support {

// Collects every debug line written while it lives.
class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    std::vector<std::string> lines() const;
    bool Contains(const std::string& line) const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    platform::DebugHook previous_;
};

}  // namespace testing_support
