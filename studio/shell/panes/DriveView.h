#pragma once

// The folder tree (top left).
#include "studio/shell/tree/DriveView.h"
