#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "platform/com/InvokeHelper.h"
#include "studio/shell/viewer/ViewerControl.h"

class QWidget;

// The viewer control created by its class id, as the registry names its server, and
// contained in a window of the pane. Null when the control cannot be created or has no
// window.
std::unique_ptr<ViewerControl> MakeSiteViewerControl(QWidget* parent);

// One late-bound call on a control made by MakeSiteViewerControl, as its members make them:
// false when the control refuses it or `control` is no such control; nothing is thrown.
bool InvokeSiteViewerControl(ViewerControl* control, platform::DISPID id, std::uint16_t flags,
                             platform::InvokeResult result,
                             std::initializer_list<platform::Variant> arguments);
