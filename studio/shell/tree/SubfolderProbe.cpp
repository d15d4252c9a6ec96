#include "studio/shell/tree/SubfolderProbe.h"

#include "platform/shellns/ShellNamespace.h"

SubfolderProbe::SubfolderProbe(std::function<void(Answer)> report) : report_(std::move(report)) {
    thread_ = std::thread([this] { Run(); });
}

SubfolderProbe::~SubfolderProbe() {
    {
        std::lock_guard hold(mutex_);
        stop_ = true;
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void SubfolderProbe::Ask(std::string parent, std::vector<std::string> folders, bool includeHidden) {
    if (folders.empty()) return;
    {
        std::lock_guard hold(mutex_);
        queue_.push_back({std::move(parent), std::move(folders), includeHidden});
    }
    wake_.notify_one();
}

void SubfolderProbe::Forget() {
    std::lock_guard hold(mutex_);
    queue_.clear();
}

bool SubfolderProbe::IsBusy() const {
    std::lock_guard hold(mutex_);
    return working_ || !queue_.empty();
}

void SubfolderProbe::Run() {
    std::unique_lock hold(mutex_);
    for (;;) {
        wake_.wait(hold, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        Question question = std::move(queue_.front());
        queue_.pop_front();
        working_ = true;
        hold.unlock();
        Answer answer;
        answer.parent = std::move(question.parent);
        answer.folders.reserve(question.folders.size());
        for (std::string& folder : question.folders) {
            if (stopping_.load()) break;
            const bool holds = platform::shellns::HasSubfolders(folder, question.includeHidden);
            answer.folders.emplace_back(std::move(folder), holds);
        }
        report_(std::move(answer));
        hold.lock();
        working_ = false;
    }
}
