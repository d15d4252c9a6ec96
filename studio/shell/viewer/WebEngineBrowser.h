#pragma once

#include <memory>

#include "studio/shell/viewer/BrowserControl.h"

class QWidget;

// The browser control on Qt WebEngine. The process must have set WebEngine's environment
// (see SetWebEngineEnvironment) before its QApplication was made.
std::unique_ptr<BrowserControl> MakeWebEngineBrowser(QWidget* parent);

// As root, WebEngine cannot sandbox its renderers and finds no usable GPU: switches both off,
// unless the environment already says otherwise. Call before the QApplication is made.
void SetWebEngineEnvironment();
