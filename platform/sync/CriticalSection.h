#pragma once

#include <mutex>

namespace platform {

// A lock the owning thread may enter again while it holds it; each Enter needs its Leave.
class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { mutex_.lock(); }
    bool TryEnter() { return mutex_.try_lock(); }
    void Leave() { mutex_.unlock(); }

private:
    std::recursive_mutex mutex_;
};

// Holds a critical section for a scope. A null section (one not created yet) is not held.
class SectionHold {
public:
    explicit SectionHold(CriticalSection& section) : SectionHold(&section) {}
    explicit SectionHold(CriticalSection* section) : section_(section) {
        if (section_ != nullptr) section_->Enter();
    }
    ~SectionHold() { Leave(); }
    SectionHold(const SectionHold&) = delete;
    SectionHold& operator=(const SectionHold&) = delete;

    // Leaves early; a second call does nothing.
    void Leave() {
        if (section_ != nullptr) section_->Leave();
        section_ = nullptr;
    }

private:
    CriticalSection* section_;
};

}  // namespace platform
