#pragma once

// Points the process's error log at the window layer's task post, so that a box the loader
// thread logs is shown on the GUI thread. Call on the GUI thread once an application exists.
void ConnectErrorLogToGui();
