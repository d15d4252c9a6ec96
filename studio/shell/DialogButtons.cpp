#include "studio/shell/DialogButtons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

OkCancelButtons AddOkCancel(QDialog& dialog, QBoxLayout& layout) {
    auto* ok = new QPushButton("OK", &dialog);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", &dialog);
    cancel->setObjectName("2");
    cancel->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    layout.addLayout(row);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return {ok, cancel};
}
