#pragma once

#include "geometry/Geometry.h"
#include "viewer-plugin/display/D3DSurface.h"
#include "viewer-plugin/display/D3DWindow.h"

// Copies `sourceRect` of one tile onto `destRect` of another, scaled to fit: drawn through
// the window's 3D device on its back buffer and copied from there when it can, else by a
// stretching blit. Both halve a tile alike. False when neither way worked (or either tile
// is uncreated).
bool BlitTile(D3DWindow* window, D3DSurface& source, D3DSurface& destination,
              const Rect& sourceRect, const Rect& destRect);
