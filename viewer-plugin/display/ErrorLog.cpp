#include "viewer-plugin/display/ErrorLog.h"

#include "platform/prompts/Prompts.h"

ErrorLog& ErrorLog::Instance() {
    static ErrorLog log;
    return log;
}

void ErrorLog::Log(int level, std::string_view text) {
    if (level < 0 || level >= static_cast<int>(words_.size())) return;
    const std::uint16_t word = words_[static_cast<std::size_t>(level)];
    GuiPost post;
    {
        std::lock_guard lock(mutex_);
        if (observer_) observer_(level, text);
        if ((word & kAppend) != 0) text_.append(text);
        if ((word & kShowBox) == 0) return;
        if (guiPost_ && std::this_thread::get_id() != guiThread_) post = guiPost_;
    }
    // The box is modal: it is shown with the lock free, so other threads keep logging and a
    // message logged while it is up cannot deadlock.
    std::string boxText(text);
    if (post) {
        post([boxText = std::move(boxText)] { ShowBox(boxText); });
    } else {
        ShowBox(boxText);
    }
}

std::optional<std::string> ErrorLog::GetText() const {
    std::lock_guard lock(mutex_);
    if (text_.empty()) return std::nullopt;
    return text_;
}

void ErrorLog::SetGuiHandOver(GuiPost post) {
    std::lock_guard lock(mutex_);
    guiPost_ = std::move(post);
    guiThread_ = std::this_thread::get_id();
}

void ErrorLog::SetObserver(Observer observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void ErrorLog::Reset() {
    std::lock_guard lock(mutex_);
    observer_ = nullptr;
    text_.clear();
    guiPost_ = nullptr;
    guiThread_ = {};
}

void ErrorLog::ShowBox(const std::string& text) {
    platform::ShowMessage(nullptr, text, "ErrorLog", platform::MessageButtons::Ok,
                          platform::MessageIcon::None);
}
