#pragma once

class QWidget;

// Gives the studio's copy functions their Qt dialogs: the "Rename file" question asked when
// a copy meets an existing file, and the "Copying files..." progress window. Called once by
// the studio at start-up; dialogs are owned by `owner`.
void InstallShellDialogs(QWidget* owner);
