#pragma once

#include "studio/shell/commands/Command.h"

class CommandFactory;
class InfoView;

// The "Preferences" sheet: editors, gallery thumbnails and viewer settings. Opens on the page
// of the open project's kind.
class EditPreferences final : public Command {
public:
    explicit EditPreferences(InfoView* infoView);
    void Execute() override;
    bool IsEnabled() override { return true; }

private:
    InfoView* infoView_;
};

// The page the sheet opens on: 1 with a gallery open, 2 with an animation or a page project,
// else 0.
int PreferencesStartPage();

void RegisterPreferenceCommands(CommandFactory& factory);
