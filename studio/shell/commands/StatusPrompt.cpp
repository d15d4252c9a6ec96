#include "studio/shell/commands/StatusPrompt.h"

#include <QEvent>
#include <QMainWindow>
#include <QStatusBar>
#include <QStatusTipEvent>

#include "studio/shell/commands/StringTable.h"

namespace {

QString ReadyText() {
    const std::string_view text = GetStudioString(kReadyString);
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// Leaving a menu item sends an empty tip; the bar then says "Ready" instead of nothing.
class ReadyPrompt : public QObject {
public:
    explicit ReadyPrompt(QMainWindow* frame) : QObject(frame), frame_(frame) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != frame_ || event->type() != QEvent::StatusTip) return false;
        if (!static_cast<QStatusTipEvent*>(event)->tip().isEmpty()) return false;
        frame_->statusBar()->showMessage(ReadyText());
        return true;
    }

private:
    QMainWindow* frame_;
};

}  // namespace

void ShowReadyWhenIdle(QMainWindow* frame) {
    frame->installEventFilter(new ReadyPrompt(frame));
    frame->statusBar()->showMessage(ReadyText());
}
