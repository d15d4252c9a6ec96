#include "viewer-plugin/display/SharedRecord.h"

#include <atomic>
#include <thread>

namespace {

constexpr std::size_t kClaimOffset = 0;
constexpr std::size_t kCountOffset = 4;
constexpr std::size_t kReleasedOffset = 8;
constexpr std::size_t kRequestOffset = 9;
constexpr std::size_t kWriteMarkOffset = 12;

// The record is shared with other processes, so its atomics must not fall back to a
// process-local lock.
static_assert(std::atomic_ref<std::uint8_t>::is_always_lock_free);
static_assert(std::atomic_ref<std::int32_t>::is_always_lock_free);

}  // namespace

bool SharedRecord::Map() {
    return memory_.Open(platform::PerUserSharedName(kBaseName), kMappingSize);
}

void SharedRecord::Unmap() {
    memory_.Close();
}

std::uint8_t SharedRecord::LoadByte(std::size_t offset) const {
    if (!IsMapped()) return 0;
    auto* byte = reinterpret_cast<std::uint8_t*>(memory_.data() + offset);
    return std::atomic_ref<std::uint8_t>(*byte).load();
}

void SharedRecord::StoreByte(std::size_t offset, std::uint8_t value) {
    if (!IsMapped()) return;
    auto* byte = reinterpret_cast<std::uint8_t*>(memory_.data() + offset);
    std::atomic_ref<std::uint8_t>(*byte).store(value);
    MarkWritten();
}

void SharedRecord::MarkWritten() {
    auto* byte = reinterpret_cast<std::uint8_t*>(memory_.data() + kWriteMarkOffset);
    std::atomic_ref<std::uint8_t>(*byte).store(0);
}

SharedRecord::Fields SharedRecord::Read() const {
    Fields fields;
    fields.hardwareClaimed = IsHardwareClaimed();
    fields.runningCount = RunningCount();
    fields.released = IsReleased();
    fields.releaseRequested = IsReleaseRequested();
    return fields;
}

std::int32_t SharedRecord::RunningCount() const {
    if (!IsMapped()) return 0;
    auto* count = reinterpret_cast<std::int32_t*>(memory_.data() + kCountOffset);
    return std::atomic_ref<std::int32_t>(*count).load();
}

bool SharedRecord::IsHardwareClaimed() const {
    return LoadByte(kClaimOffset) != 0;
}

bool SharedRecord::IsReleased() const {
    return LoadByte(kReleasedOffset) != 0;
}

bool SharedRecord::IsReleaseRequested() const {
    return LoadByte(kRequestOffset) != 0;
}

std::int32_t SharedRecord::AddToCount(std::int32_t delta) {
    if (!IsMapped()) return 0;
    auto* count = reinterpret_cast<std::int32_t*>(memory_.data() + kCountOffset);
    const std::int32_t result = std::atomic_ref<std::int32_t>(*count).fetch_add(delta) + delta;
    MarkWritten();
    return result;
}

std::int32_t SharedRecord::CountIn() {
    return AddToCount(1);
}

std::int32_t SharedRecord::CountOut() {
    return AddToCount(-1);
}

bool SharedRecord::TryClaimHardware() {
    if (!IsMapped()) return true;
    auto* claim = reinterpret_cast<std::uint8_t*>(memory_.data() + kClaimOffset);
    std::uint8_t expected = 0;
    const bool won = std::atomic_ref<std::uint8_t>(*claim).compare_exchange_strong(expected, 1);
    if (won) MarkWritten();
    return won;
}

void SharedRecord::ClearHardwareClaim() {
    StoreByte(kClaimOffset, 0);
}

void SharedRecord::SetReleased(bool value) {
    StoreByte(kReleasedOffset, value ? 1 : 0);
}

void SharedRecord::SetReleaseRequest(bool value) {
    StoreByte(kRequestOffset, value ? 1 : 0);
}

HardwareAsk AskForHardware(SharedRecord& record, const HardwareAskOptions& options) {
    const auto sleep = options.sleep ? options.sleep : [](std::chrono::milliseconds period) {
        std::this_thread::sleep_for(period);
    };
    bool requested = false;
    if (record.RunningCount() > 1 && record.IsHardwareClaimed() && !options.holdsHardware) {
        record.SetReleased(false);
        record.SetReleaseRequest(true);
        requested = true;
    }
    if (options.switchDisplayMode) options.switchDisplayMode();
    if (!requested) return HardwareAsk::NotAsked;
    if (options.desktopResolution) {
        record.SetReleased(true);
        record.SetReleaseRequest(false);
        return HardwareAsk::Dropped;
    }
    const std::int32_t tries = ViewersToWaitFor(record.RunningCount()) + 10;
    sleep(std::chrono::milliseconds(0));
    bool letGo = false;
    for (std::int32_t i = 0; i < tries; ++i) {
        if (record.IsReleased()) {
            letGo = true;
            break;
        }
        sleep(std::chrono::milliseconds(300));
    }
    // The holder may answer during the last sleep.
    letGo = letGo || record.IsReleased();
    record.SetReleaseRequest(false);
    return letGo ? HardwareAsk::LetGo : HardwareAsk::NoAnswer;
}
