#include "installer/QtCollaborators.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <memory>

namespace installer {
namespace {

// Where the text goes, in dialog units of the original layout, taken as pixels.
constexpr QRect kTextRect(QPoint(10, 70), QPoint(300, 400));
constexpr int kDialogWidth = 310;
constexpr int kDialogHeight = 440;

// "Arial" 14 pixels high, the whole character cell: a stand-in font with taller ascenders is
// made smaller until its lines are as high.
QFont TextFont() {
    constexpr int kCellHeight = 14;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kCellHeight);
    const int cell = QFontMetrics(font).height();
    if (cell > kCellHeight) font.setPixelSize(std::max(1, kCellHeight * kCellHeight / cell));
    return font;
}

class FinalDialogWidget final : public QDialog {
public:
    FinalDialogWidget(std::string_view title, std::string_view text)
        : banner_(QStringLiteral(":/installer/banner.png")),
          text_(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))) {
        setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
        setFixedSize(kDialogWidth, kDialogHeight);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        buttons->setGeometry(kDialogWidth - 110, kDialogHeight - 36, 100, 28);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap((width() - banner_.width()) / 2, 0, banner_);
        painter.setFont(TextFont());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(kTextRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text_);
    }

private:
    QPixmap banner_;
    QString text_;
};

}  // namespace

std::optional<int> ScreenDisplay::BitsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return std::nullopt;
    return screen->depth();
}

QWidget* MakeFinalDialog(std::string_view title, std::string_view text) {
    return new FinalDialogWidget(title, text);
}

void QtFinalDialog::Show(std::string_view title, std::string_view text) {
    std::unique_ptr<QWidget> dialog(MakeFinalDialog(title, text));
    static_cast<QDialog*>(dialog.get())->exec();
}

}  // namespace installer
