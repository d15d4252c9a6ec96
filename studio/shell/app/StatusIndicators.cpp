#include "studio/shell/app/StatusIndicators.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

#if defined(VANTELO_HAVE_X11)
#include <QtGui/qguiapplication_platform.h>

#include "studio/shell/app/X11Keyboard.h"
#endif

#include "studio/shell/commands/CommandIds.h"

namespace {

class LockIndicators final : public QObject {
public:
    explicit LockIndicators(QStatusBar* bar) : QObject(bar) {
        const char* const texts[] = {"CAP", "NUM", "SCRL"};
        for (int i = 0; i < 3; ++i) {
            auto* label = new QLabel(bar);
            label->setAlignment(Qt::AlignCenter);
            label->setMinimumWidth(label->fontMetrics().horizontalAdvance(texts[i]) + 8);
            label->setProperty("indicator", texts[i]);
            bar->addPermanentWidget(label);
            labels_[i] = label;
        }
        qApp->installEventFilter(this);
        Refresh();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ApplicationActivate:
                Refresh();
                break;
            default:
                break;
        }
        return false;
    }

private:
    void Refresh() {
        const std::optional<LockKeyState> state = ReadLockKeys();
        const bool on[] = {state && state->caps, state && state->num, state && state->scroll};
        for (int i = 0; i < 3; ++i) {
            labels_[i]->setText(on[i] ? labels_[i]->property("indicator").toString() : QString());
        }
    }

    QLabel* labels_[3] = {};
};

}  // namespace

std::optional<LockKeyState> ReadLockKeys() {
#if defined(VANTELO_HAVE_X11)
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    if (x11 == nullptr) return std::nullopt;
    LockKeyState state;
    if (!X11ReadLockKeys(x11->display(), state.caps, state.num, state.scroll)) return std::nullopt;
    return state;
#else
    return std::nullopt;
#endif
}

void CreateStatusBar(QMainWindow* frame) {
    auto* bar = new QStatusBar(frame);
    bar->setObjectName(QString::number(kStatusBar));
    frame->setStatusBar(bar);
    new LockIndicators(bar);
}
