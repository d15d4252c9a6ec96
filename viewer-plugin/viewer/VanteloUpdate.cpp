// The viewer's side of the update check: starting it, and its boxes on the window thread.
#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "platform/window/ShellOpen.h"
#include "viewer-plugin/services/AboutText.h"
#include "viewer-plugin/services/UpdateCheck.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

void CVanteloPlugin::StartUpdateCheck() {
    const int serial = serial_;
    // The check's thread may outlive this viewer: it names it only by its serial, and
    // passes its reply to whichever viewer still has a window.
    UpdateCheck::Start([serial] {
        platform::SectionHold list(ListSection());
        CVanteloPlugin* to = nullptr;
        for (CVanteloPlugin* viewer : Instances()) {
            if (viewer->serial_ == serial && viewer->hold_) to = viewer;
        }
        for (CVanteloPlugin* viewer : Instances()) {
            if (to == nullptr && viewer->hold_) to = viewer;
        }
        return to != nullptr && to->hold_->Post(kUpdateReplyMessage);
    });
}

bool CVanteloPlugin::HandleUpdateReply() {
    if (std::optional<UpdateCheck::Reply> reply = UpdateCheck::TakeReply()) {
        const std::string caption = platform::FormatC("Upgrade from Vantelo %.2f", 1.73);
        platform::Window* owner = TargetWindow();
        const platform::HWND handle = owner != nullptr ? owner->handle() : nullptr;
        SuspendPacing();
        if (!reply->found) {
            platform::ShowMessage(handle, "No new update available", caption);
        } else if (platform::ShowMessage(handle, reply->text, caption,
                                         platform::MessageButtons::YesNo) ==
                   platform::PromptAnswer::Yes) {
            // There is no download site: the newer version is told of on the project's page.
            if (const std::string page = HomePage(); !page.empty()) platform::ShellOpen(page);
        }
        ResumePacing();
    }
    UpdateCheck::Finish();
    return true;
}

void CVanteloPlugin::DropWindowHold() {
    // A reply posted here and not yet shown goes with the window: the check ends.
    if (hold_ && hold_->PendingCount(kUpdateReplyMessage) > 0) UpdateCheck::Finish();
    hold_.reset();
}

bool CVanteloPlugin::WaitForUpdateCheck() {
    return UpdateCheck::WaitForUpdateCheck();
}
