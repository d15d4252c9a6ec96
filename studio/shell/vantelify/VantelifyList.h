#pragma once

#include <QListWidget>

// The page sheet's list of the page's pictures; the sheet does all the work.
class VantelifyList final : public QListWidget {
public:
    explicit VantelifyList(QWidget* parent = nullptr) : QListWidget(parent) {
        setObjectName("1075");
    }
};
