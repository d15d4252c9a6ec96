#include "viewer-plugin/display/DeviceSection.h"

#include <atomic>

namespace {

std::atomic<platform::CriticalSection*> section{nullptr};

}  // namespace

void CreateDeviceSection() {
    if (section.load() != nullptr) return;
    auto* made = new platform::CriticalSection();
    platform::CriticalSection* none = nullptr;
    // Another thread may have made one meanwhile: the first stays, for good.
    if (!section.compare_exchange_strong(none, made)) delete made;
}

void ReleaseDeviceSection() {
    delete section.exchange(nullptr);
}

DeviceSectionHold::DeviceSectionHold() : platform::SectionHold(section.load()) {}
