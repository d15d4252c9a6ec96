#include "studio/shell/viewer/Vantelo.h"

Vantelo::Vantelo(std::unique_ptr<ViewerControl> control, QWidget* parent)
    : QWidget(parent), control_(std::move(control)) {
    setObjectName(QString::number(kControlId));
    setFocusPolicy(Qt::StrongFocus);
    // Where no control draws, the pane shows the viewer's own white.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    if (control_ != nullptr && control_->widget() != nullptr) {
        control_->widget()->setParent(this);
        setFocusProxy(control_->widget());
        control_->widget()->show();
    }
}

Vantelo::~Vantelo() {
    // The control's window is ours as a child; the control goes before it.
    QWidget* window = control_ != nullptr ? control_->widget() : nullptr;
    control_.reset();
    delete window;
}

void Vantelo::SetEvents(ViewerControl::Events events) {
    if (control_ != nullptr) control_->SetEvents(std::move(events));
}

void Vantelo::SetFilename(const std::string& path) {
    if (control_ != nullptr) control_->SetFilename(path);
}

std::string Vantelo::GetFilename() {
    return control_ != nullptr ? control_->GetFilename() : std::string();
}

bool Vantelo::GetPosition(float& x, float& y, float& z) {
    return control_ != nullptr && control_->GetPosition(x, y, z);
}

bool Vantelo::ShowsPicture() {
    return control_ != nullptr && control_->ShowsPicture();
}

void Vantelo::SetBgColor(long color) {
    if (control_ != nullptr) control_->SetBgColor(color);
}

void Vantelo::SetFit(long fit) {
    if (control_ != nullptr) control_->SetFit(fit);
}

void Vantelo::SetFullscreen(long on) {
    if (control_ != nullptr) control_->SetFullscreen(on);
}

void Vantelo::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (control_ != nullptr && control_->widget() != nullptr) {
        control_->widget()->setGeometry(rect());
    }
}
