#include "studio/shell/app/AboutDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "studio/shell/app/StudioIcon.h"

const char* const kVersionLine = "Vistrel, version 2.30 - Sep 24 2007";
const char* const kCodecCredit =
    "LuraWave codec: lwf215p on OpenJPEG, (c) 2002-2022 the OpenJPEG authors";

namespace {

QLabel* Text(QWidget* parent, const char* id, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(id);
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("100");
    setWindowTitle("About Vistrel 2");
    setWindowIcon(StudioIcon());
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(StudioIcon().pixmap(32, 32));
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
    grid->addWidget(Text(this, "1195", kVersionLine), 0, 1);
    grid->addWidget(Text(this, "1196", QString()), 1, 1);
    grid->addWidget(new QLabel("Uses Vantelo technology", this), 2, 1);
    grid->addWidget(Text(this, "1249", kCodecCredit), 3, 1);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}
