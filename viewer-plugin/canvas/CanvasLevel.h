#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/gfx/Direct3DTypes.h"
#include "viewer-plugin/display/D3DSurface.h"

// One resolution level of the canvas: its tiles, row-major (columns x rows), and for each
// tile eight vertices: 0-3 the tile's quad in its own pixels, 4-7 the same quad on screen.
struct CanvasLevel {
    static constexpr int kVerticesPerTile = 8;

    std::uint8_t ready = 0;  // the tiles exist and hold this level's pixels
    // Never null once made; a tile whose surface could not be made stays uncreated
    // (IsValid() false) and is left out of every fill, blit and draw.
    std::vector<std::unique_ptr<D3DSurface>> tiles;
    std::vector<gfx::TLVertex> vertices;  // kVerticesPerTile a tile
    float scale = 1.0f;                   // 1 / 2^level
    Vector2<int> grid;                    // columns, rows
    Vector2<int> size;                    // pixels

    D3DSurface* Tile(int column, int row) const {
        return tiles[static_cast<std::size_t>(row) * grid.x + column].get();
    }
};
