#include "studio/shell/commands/PaneFocus.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPen>
#include <QRegion>
#include <QWidget>

#include "studio/shell/commands/CommandRouter.h"

namespace {

constexpr int kFrameWidth = 2;

// A ring over the edge of its pane: it takes no clicks and no focus, and covers only the
// ring, so the pane below works and paints as before.
class FocusFrame final : public QWidget {
public:
    explicit FocusFrame(QWidget* pane) : QWidget(pane) {
        setObjectName("PaneFocusFrame");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        pane->installEventFilter(this);
        Fit();
        hide();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Resize) Fit();
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        // The studio's highlight, whatever colours the pane gives its own items.
        const QColor colour = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
        const QRect all = rect();
        painter.fillRect(all.x(), all.y(), all.width(), kFrameWidth, colour);
        painter.fillRect(all.x(), all.bottom() - kFrameWidth + 1, all.width(), kFrameWidth, colour);
        painter.fillRect(all.x(), all.y(), kFrameWidth, all.height(), colour);
        painter.fillRect(all.right() - kFrameWidth + 1, all.y(), kFrameWidth, all.height(), colour);
    }

private:
    void Fit() {
        const QRect all = parentWidget()->rect();
        setGeometry(all);
        setMask(QRegion(all).subtracted(
            QRegion(all.adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth))));
    }
};

}  // namespace

void DrawFocusedItemMark(QPainter& painter, const QRect& item, const QPalette& palette,
                         bool selected) {
    painter.save();
    QPen pen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(item.adjusted(1, 1, -2, -2));
    painter.restore();
}

PaneFocus::PaneFocus(CommandRouter& router, QObject* parent) : QObject(parent), router_(router) {
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { OnFocus(now); });
    router_.SetPaneActivated([this](int index) { FocusPane(index); });
}

PaneFocus::~PaneFocus() {
    router_.SetPaneActivated({});
}

int PaneFocus::AddPane(QWidget* widget, CommandTarget* target) {
    const int index = router_.AddPane(target);
    panes_.resize(index + 1);
    panes_[index].widget = widget;
    if (widget != nullptr) panes_[index].frame = new FocusFrame(widget);
    return index;
}

int PaneFocus::PaneOf(const QWidget* widget) const {
    for (const QWidget* at = widget; at != nullptr; at = at->parentWidget()) {
        for (std::size_t index = 0; index < panes_.size(); ++index) {
            if (panes_[index].widget == at) return static_cast<int>(index);
        }
    }
    return -1;
}

void PaneFocus::OnFocus(QWidget* now) {
    const int index = PaneOf(now);
    ShowFrame(index);
    if (index < 0) return;
    panes_[index].lastFocus = now;
    router_.SetActivePane(index);
}

void PaneFocus::FocusPane(int index) {
    if (index < 0 || index >= static_cast<int>(panes_.size())) return;
    QWidget* pane = panes_[index].widget;
    if (pane == nullptr) return;
    QWidget* target = panes_[index].lastFocus;
    if (target == nullptr || !target->isVisible() || !target->isEnabled() ||
        PaneOf(target) != index) {
        target = pane;
        if (pane->focusPolicy() == Qt::NoFocus) {
            for (QWidget* child : pane->findChildren<QWidget*>()) {
                if (child->isVisible() && child->isEnabled() &&
                    (child->focusPolicy() & Qt::TabFocus) != 0) {
                    target = child;
                    break;
                }
            }
        }
    }
    // A key moved the focus: the style marks the focused item as it does after Tab.
    target->setFocus(Qt::ShortcutFocusReason);
}

void PaneFocus::ShowFrame(int index) {
    for (std::size_t at = 0; at < panes_.size(); ++at) {
        QWidget* frame = panes_[at].frame;
        if (frame == nullptr) continue;
        if (static_cast<int>(at) == index) {
            // Above whatever the pane raised since.
            frame->raise();
            frame->show();
        } else {
            frame->hide();
        }
    }
}
