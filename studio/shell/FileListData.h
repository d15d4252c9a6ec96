#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "studio/core/PidlPath.h"

// The "kivofilelist" block that carries a list of items between the studio's windows when
// they are dragged: the folder's absolute list, each item's single-item list in order, and
// an empty list closing the block. Its size is the folder's list size + the items' list
// sizes + 2.

// Empty when the folder is invalid; invalid items are left out.
std::vector<std::uint8_t> BuildFileListBlock(const PidlPath& folder,
                                             const std::vector<PidlPath>& items);

// Reads a block that may come from anywhere: every count is bounded by the block, each
// item must be one item, and the closing empty list must end the block exactly. On success
// the folder is replaced and the items are appended; otherwise both are left as they were.
bool ReadFileListBlock(const std::uint8_t* data, std::size_t size, PidlPath& folder,
                       std::vector<PidlPath>& items);
