#pragma once

#include <cstdint>
#include <memory>

#include "platform/com/Com.h"

// The system mouse as a device of relative movements: while acquired, a device buffers one
// record per axis movement, which the program reads in batches. Several devices may be
// acquired at once (non-exclusive use); each gets every movement. The window layer feeds the
// movements from the pointer during a drag; tests inject them.
namespace gfx {

using platform::HRESULT;

constexpr HRESULT DI_OK = 0;
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
constexpr HRESULT DIERR_NOTFOUND = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT DIERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);

// Where a record's value belongs.
constexpr std::uint32_t DIMOFS_X = 0;
constexpr std::uint32_t DIMOFS_Y = 4;

constexpr std::uint32_t DISCL_EXCLUSIVE = 0x01;
constexpr std::uint32_t DISCL_NONEXCLUSIVE = 0x02;
constexpr std::uint32_t DISCL_FOREGROUND = 0x04;
constexpr std::uint32_t DISCL_BACKGROUND = 0x08;

// One buffered record, 16 bytes as the device hands them out.
struct MouseRecord {
    std::uint32_t offset = 0;  // DIMOFS_*
    std::int32_t data = 0;     // the movement along that axis
    std::uint32_t timeStamp = 0;
    std::uint32_t sequence = 0;
};
static_assert(sizeof(MouseRecord) == 16);

class RelativeMouse {
public:
    ~RelativeMouse();
    RelativeMouse(const RelativeMouse&) = delete;
    RelativeMouse& operator=(const RelativeMouse&) = delete;

    // Records kept between reads; further movements are dropped until the buffer is read.
    // 0 until set, so nothing is buffered.
    HRESULT SetBufferSize(std::uint32_t records);
    // Only non-exclusive use is offered; a window is not needed for it.
    HRESULT SetCooperativeLevel(std::uint32_t flags);
    HRESULT Acquire();
    HRESULT Unacquire();
    bool IsAcquired() const;

    // Moves up to `*count` records, oldest first, into `records` (null drops them) and sets
    // `*count` to the number moved. DIERR_NOTACQUIRED while not acquired; DIERR_INPUTLOST
    // when the device was taken away since (it is then no longer acquired).
    HRESULT GetDeviceData(MouseRecord* records, std::uint32_t* count);

    // The device's buffer and state, which the system mouse shares.
    struct State;

private:
    friend HRESULT RelativeMouseCreate(std::uint32_t, std::unique_ptr<RelativeMouse>*);
    explicit RelativeMouse(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
};

// The system mouse; DIERR_NOTFOUND on a machine that refuses it (mouse::SetRefused).
HRESULT RelativeMouseCreate(std::uint32_t version, std::unique_ptr<RelativeMouse>* device);

namespace mouse {

// A machine without the interface refuses to make devices.
void SetRefused(bool refused);
bool Refused();

// The pointer moved by (dx, dy): each acquired device buffers an X and a Y record, leaving
// out an axis that did not move. Any thread.
void Move(int dx, int dy);
// The tests' injection queue: one record as it stands, to every acquired device.
void Inject(std::uint32_t offset, int data);
// The next `count` reads, over all devices, find the input lost.
void LoseInput(int count);
// Devices in existence.
int LiveDevices();
// Back to the defaults: offered, no losses pending.
void Reset();

}  // namespace mouse
}  // namespace gfx
