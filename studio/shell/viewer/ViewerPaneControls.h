#pragma once

#include <functional>
#include <memory>

#include "studio/shell/viewer/BrowserControl.h"
#include "studio/shell/viewer/ViewerControl.h"

class QWidget;

// How the viewer pane makes its two controls; an empty maker means the real one (the viewer
// control by its class id, the browser on WebEngine). A maker may return null: the pane then
// goes without that control.
struct ViewerPaneControls {
    std::function<std::unique_ptr<ViewerControl>(QWidget* parent)> makeViewer;
    std::function<std::unique_ptr<BrowserControl>(QWidget* parent)> makeBrowser;
};
