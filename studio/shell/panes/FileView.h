#pragma once

// The file list (top right).
#include "studio/shell/fileview/FileView.h"
