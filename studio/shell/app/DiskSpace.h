#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Bytes free to the user on the file system holding `folder`; none when it cannot be asked.
std::optional<std::uint64_t> FreeBytesAt(const std::string& folder);

// Warns (no owner) when fewer than 50 MiB are free. Unknown space warns of nothing.
void WarnWhenDiskLow(std::optional<std::uint64_t> freeBytes);
