#include "viewer-plugin/about/CAboutDlg.h"

#include <algorithm>

#include <QButtonGroup>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QVBoxLayout>

#include "platform/text/Text.h"
#include "platform/window/Desktop.h"
#include "platform/window/InputState.h"
#include "platform/window/ShellOpen.h"
#include "viewer-plugin/services/AboutText.h"

namespace {

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

// The texts keep the line ends the viewer writes; the edit control wants plain ones.
QString Lines(const std::string& text) {
    QString lines = FromStd(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines;
}

}  // namespace

std::vector<std::string> DisplayModeEntries(const std::vector<Vector2<int>>& modes,
                                            Vector2<int> desktop, Vector2<int> stored) {
    std::vector<std::string> entries;
    for (const Vector2<int>& mode : modes) {
        if (mode.x < 640 || mode.y < 400) continue;
        if (mode == desktop && mode != stored) continue;
        std::string entry = platform::FormatC("%dx%d", mode.x, mode.y);
        if (mode == Vector2<int>(640, 480)) entry += " (Recommended)";
        entries.insert(entries.begin(), std::move(entry));
    }
    return entries;
}

CAboutDlg::CAboutDlg(const AboutDialogRequest& request, QWidget* parent)
    : QDialog(parent), request_(request) {
    setObjectName(QStringLiteral("201"));
    setWindowTitle(QStringLiteral("About Vantelo"));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabBar(this);
    tabs_->setObjectName(QStringLiteral("206"));
    layout->addWidget(tabs_);
    pageArea_ = new QVBoxLayout;
    layout->addLayout(pageArea_, 1);
    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* id, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(id));
        buttons->addWidget(b);
        return b;
    };
    QPushButton* homepage = button("204", "Homepage...");
    QPushButton* feedback = button("205", "FeedBack...");
    buttons->addStretch(1);
    QPushButton* ok = button("1", "OK");
    ok->setDefault(true);
    layout->addLayout(buttons);
    // A button with nowhere to go is not offered as if it had.
    homepage->setEnabled(!HomePage().empty());
    connect(homepage, &QPushButton::clicked, this, [] { platform::ShellOpen(HomePage()); });
    feedback->setEnabled(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    kinds_ = {PageKind::About, PageKind::Fullscreen};
    tabs_->addTab(QStringLiteral("About"));
    tabs_->addTab(QStringLiteral("Fullscreen"));
    if (platform::GetAsyncKeyState(platform::VK_SHIFT) < 0) {
        kinds_.push_back(PageKind::Advanced);
        tabs_->addTab(QStringLiteral("Advanced info"));
    }
    tabs_->setCurrentIndex(0);
    ShowPage(0);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) { ShowPage(index); });
    resize(420, 320);
    Centre();
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::done(int result) {
    delete page_;
    page_ = nullptr;
    QDialog::done(result);
}

void CAboutDlg::ShowPage(int index) {
    delete page_;
    page_ = nullptr;
    if (index < 0 || index >= static_cast<int>(kinds_.size())) return;
    switch (kinds_[static_cast<std::size_t>(index)]) {
        case PageKind::About:
            page_ = MakeTextPage(AboutPageText());
            break;
        case PageKind::Fullscreen:
            page_ = MakeFullscreenPage();
            break;
        case PageKind::Advanced:
            page_ = MakeTextPage(request_.advancedText);
            break;
    }
    pageArea_->addWidget(page_);
}

QWidget* CAboutDlg::MakeTextPage(const std::string& text) {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* edit = new QPlainTextEdit(page);
    edit->setObjectName(QStringLiteral("203"));
    edit->setReadOnly(true);
    edit->setPlainText(Lines(text));
    layout->addWidget(edit);
    return page;
}

void CAboutDlg::Write(int ViewerOptions::*field, int value) {
    if (request_.options == nullptr) return;
    platform::SectionHold hold(request_.section);
    request_.options->*field = value;
}

QWidget* CAboutDlg::MakeFullscreenPage() {
    ViewerOptions now;
    if (request_.options != nullptr) {
        platform::SectionHold hold(request_.section);
        now = *request_.options;
    }
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    const auto radio = [&](const char* id, const QString& text, QButtonGroup* group) {
        auto* r = new QRadioButton(text, page);
        r->setObjectName(QString::fromLatin1(id));
        group->addButton(r);
        layout->addWidget(r);
        return r;
    };
    auto* allow = new QButtonGroup(page);
    QRadioButton* yes = radio("209", QStringLiteral("Yes"), allow);
    QRadioButton* ask = radio("210", QStringLiteral("Ask"), allow);
    QRadioButton* no = radio("211", QStringLiteral("No"), allow);
    (now.allow == 2   ? yes
     : now.allow == 1 ? ask
                      : no)
        ->setChecked(now.allow >= 0 && now.allow <= 2);
    auto* size = new QButtonGroup(page);
    const Vector2<int> desktop = request_.desktop;
    QRadioButton* useDesktop =
        radio("213", FromStd(platform::FormatC("Desktop resolution (%dx%d)", desktop.x, desktop.y)),
              size);
    QRadioButton* specify = radio("216", QStringLiteral("Specify resolution"), size);
    (now.desktop != 0 ? useDesktop : specify)->setChecked(true);
    auto* combo = new QComboBox(page);
    combo->setObjectName(QStringLiteral("214"));
    for (const std::string& entry :
         DisplayModeEntries(request_.modes, desktop, Vector2<int>(now.width, now.height))) {
        combo->addItem(FromStd(entry));
    }
    // The stored size is chosen by the start of its entry, as "640x480" picks the
    // recommended one.
    const QString stored = FromStd(platform::FormatC("%dx%d", now.width, now.height));
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        if (text == stored || text.startsWith(stored + QLatin1Char(' '))) {
            combo->setCurrentIndex(i);
            break;
        }
    }
    layout->addWidget(combo);
    layout->addStretch(1);

    connect(yes, &QRadioButton::clicked, this, [this] { Write(&ViewerOptions::allow, 2); });
    connect(ask, &QRadioButton::clicked, this, [this] { Write(&ViewerOptions::allow, 1); });
    connect(no, &QRadioButton::clicked, this, [this] { Write(&ViewerOptions::allow, 0); });
    connect(useDesktop, &QRadioButton::clicked, this,
            [this] { Write(&ViewerOptions::desktop, 1); });
    connect(specify, &QRadioButton::clicked, this, [this] { Write(&ViewerOptions::desktop, 0); });
    connect(combo, &QComboBox::currentIndexChanged, this, [this, combo](int index) {
        int width = 0;
        int height = 0;
        const std::string text = combo->itemText(index).toStdString();
        if (platform::ScanC(text.c_str(), "%dx%d", &width, &height) != 2) return;
        Write(&ViewerOptions::width, width);
        Write(&ViewerOptions::height, height);
        Write(&ViewerOptions::desktop, 0);
    });
    return page;
}

void CAboutDlg::Centre() {
    const Rect work = platform::GetWorkArea();
    QRect around(work.left, work.top, work.GetSize().x, work.GetSize().y);
    const QWidget* owner = request_.owner;
    if (owner != nullptr && owner->isVisible() && !owner->isMinimized()) {
        const QWidget* top = owner->window();
        around = QRect(top->mapToGlobal(QPoint(0, 0)), top->size());
    }
    QRect placed(QPoint(0, 0), size());
    placed.moveCenter(around.center());
    // Kept inside the work area.
    placed.moveLeft(
        std::clamp(placed.left(), work.left, std::max(work.left, work.right - placed.width())));
    placed.moveTop(
        std::clamp(placed.top(), work.top, std::max(work.top, work.bottom - placed.height())));
    move(placed.topLeft());
}

void RunAboutDialog(const AboutDialogRequest& request) {
    CAboutDlg dialog(request, request.owner);
    dialog.exec();
}
