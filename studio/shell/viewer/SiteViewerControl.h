#pragma once

#include <memory>

#include "studio/shell/viewer/ViewerControl.h"

class QWidget;

// The viewer control created by its class id, as the registry names its server, and
// contained in a window of the pane. Null when the control cannot be created or has no
// window.
std::unique_ptr<ViewerControl> MakeSiteViewerControl(QWidget* parent);
