#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/shm/SharedMemory.h"

// The record every viewer process of the user shares: how many viewer windows run, and
// which one holds the hardware device. Other processes running this engine read it byte for
// byte:
//   0: hardware claimed (1 byte)   4: running count (signed 32-bit)
//   8: released (1 byte)           9: release requested (1 byte)
//   12: set to 0 on every write    the rest of the 64 bytes unused
//
// Each operation changes its field atomically on the mapping rather than reading and
// writing back the whole record, which would lose another process's concurrent change.
// Without a mapping, reads give zeros and writes do nothing: the viewer acts as the only one.
class SharedRecord {
public:
    static constexpr std::size_t kMappingSize = 64;
    static constexpr const char* kBaseName = "vanteloddwindow";

    struct Fields {
        bool hardwareClaimed = false;
        std::int32_t runningCount = 0;
        bool released = false;
        bool releaseRequested = false;
    };

    // Maps the user's record (see platform::PerUserSharedName); false when it cannot.
    bool Map();
    void Unmap();
    bool IsMapped() const { return memory_.IsOpen(); }

    Fields Read() const;
    std::int32_t RunningCount() const;
    bool IsHardwareClaimed() const;
    bool IsReleased() const;
    bool IsReleaseRequested() const;

    // A window coming and going; the new count.
    std::int32_t CountIn();
    std::int32_t CountOut();
    // Sets the claim when nobody holds it: of several claiming at once, exactly one wins.
    // Without a mapping the claim always succeeds.
    bool TryClaimHardware();
    void ClearHardwareClaim();
    void SetReleased(bool value);
    void SetReleaseRequest(bool value);

private:
    std::int32_t AddToCount(std::int32_t delta);
    void StoreByte(std::size_t offset, std::uint8_t value);
    std::uint8_t LoadByte(std::size_t offset) const;
    void MarkWritten();

    platform::SharedMemory memory_;
};

// The most running viewers a wait for the hardware is sized by. Any process of the user may
// write the record: a count beyond this is taken as this, so that no number found there
// keeps a viewer waiting longer than (32 + 10) x 300 ms.
inline constexpr std::int32_t kMostViewersWaitedFor = 32;
// A running count read from the record, as it sizes a wait: 0 to kMostViewersWaitedFor.
constexpr std::int32_t ViewersToWaitFor(std::int32_t runningCount) {
    return std::clamp(runningCount, 0, kMostViewersWaitedFor);
}

// How a request for the hardware ended.
enum class HardwareAsk {
    NotAsked,  // nobody else runs, nobody holds it, or this window holds it already
    Dropped,   // the full-screen window keeps the desktop resolution: the holder may keep it
    LetGo,     // the holder answered that it released the hardware
    NoAnswer,  // the holder did not answer in time; the asker goes on with the software device
};

struct HardwareAskOptions {
    bool holdsHardware = false;      // this window holds the claim itself
    bool desktopResolution = false;  // the full-screen window keeps the desktop resolution
    // Runs after the request is made and before it is waited for (the display-mode switch).
    std::function<void()> switchDisplayMode;
    // Sleeps; the default is the thread sleep. Tests count the sleeps.
    std::function<void(std::chrono::milliseconds)> sleep;
};

// Asks the holder of the hardware to let it go and waits a bounded time for its answer:
// one yield, then up to (running count + 10) sleeps of 300 ms, the count taken as at most
// kMostViewersWaitedFor. Run with the render thread paused.
HardwareAsk AskForHardware(SharedRecord& record, const HardwareAskOptions& options);
