#pragma once

class QMainWindow;

// Shows the idle prompt "Ready" in the frame's status bar whenever no menu item's prompt is
// showing, and at once.
void ShowReadyWhenIdle(QMainWindow* frame);
