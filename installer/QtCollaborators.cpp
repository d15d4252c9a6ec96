#include "installer/QtCollaborators.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <memory>

namespace installer {
namespace {

// Where the text goes, in dialog units of the original layout, taken as pixels.
constexpr QRect kTextRect(QPoint(10, 70), QPoint(300, 400));
constexpr int kDialogWidth = 310;
constexpr int kDialogHeight = 440;

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
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(14);
        painter.setFont(font);
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
