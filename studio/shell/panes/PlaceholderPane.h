#pragma once

#include <QFrame>

#include "studio/shell/commands/CommandTarget.h"

// An empty pane of the frame's splitter: a sunken white area that takes the focus, so the
// router knows it as the active pane, and that handles no command of its own.
class PlaceholderPane : public QFrame, public CommandTarget {
public:
    PlaceholderPane(const char* className, QWidget* parent) : QFrame(parent) {
        setObjectName(className);
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        setBackgroundRole(QPalette::Base);
        setAutoFillBackground(true);
        setFocusPolicy(Qt::StrongFocus);
    }
};
