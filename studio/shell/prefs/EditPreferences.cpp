#include "studio/shell/prefs/EditPreferences.h"

#include <string>

#include "platform/prompts/Prompts.h"
#include "studio/core/Properties.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/PropertySheet.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/prefs/PrefPages.h"

int PreferencesStartPage() {
    if (CurrentGallery() != nullptr) return 1;
    if (CurrentAnimation() != nullptr || CurrentVantelifier() != nullptr) return 2;
    return 0;
}

EditPreferences::EditPreferences(InfoView* infoView)
    : Command(kEditPreferences), infoView_(infoView) {}

void EditPreferences::Execute() {
    std::string preview;
    if (infoView_ != nullptr) {
        const std::string shown = infoView_->GetViewerFileName();
        if (IsImageFile(shown) && FileExists(shown)) preview = shown;
    }
    PropertySheet sheet("Preferences", infoView_, PreferencesStartPage());
    sheet.AddPage(new PropPageFiles);
    sheet.AddPage(new PropPageGallery(preview));
    sheet.AddPage(new PropPageVantelo);
    if (sheet.DoModal() != QDialog::Accepted) return;
    if (!Properties::Instance().Save()) {
        failed_ = true;
        platform::ShowMessage(infoView_, "The preferences could not be saved.", "Preferences",
                              platform::MessageButtons::Ok, platform::MessageIcon::Error);
    }
    if (infoView_ != nullptr) infoView_->RefreshAfterPreferences();
}

void RegisterPreferenceCommands(CommandFactory& factory) {
    factory.Register<EditPreferences>(kEditPreferences, &CommandContext::infoView);
}
