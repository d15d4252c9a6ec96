#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/com/Dispatch.h"

// The control's saved state as bytes of our own: "LENS", a version, a count, then each value
// tagged with its dispatch id and its type (4-byte integer, 4-byte float, or UTF-16 text
// behind its length), all little-endian. Containers keep these bytes after the control's
// class id, so the reader takes exactly what it wrote and leaves the rest of a stream alone.

using StateValue = std::variant<std::int32_t, float, std::u16string>;

struct StateEntry {
    platform::DISPID id = 0;
    StateValue value;
    bool operator==(const StateEntry&) const = default;
};

using ControlState = std::vector<StateEntry>;

// A state never runs longer than this, so a damaged count or length cannot make a load
// read on and on.
constexpr std::size_t kMaxStateBytes = 8192;
constexpr std::size_t kMaxStateEntries = 64;
constexpr std::size_t kMaxStateTextUnits = 2048;

// Fills `size` bytes at `out`; false when the source has fewer.
using StateSource = std::function<bool(void* out, std::size_t size)>;

// Empty when the state would break the bounds above.
std::optional<std::vector<std::uint8_t>> WriteControlState(const ControlState& state);
// None for a wrong header, an unknown version or type, a value past the bounds, or bytes
// that end too soon.
std::optional<ControlState> ReadControlState(const StateSource& source);
