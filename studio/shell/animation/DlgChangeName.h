#pragma once

#include <string>

#include <QDialog>

class QLineEdit;

// "Change name": asks for a new name of an animation point. The caller presets the name;
// after OK, GetName gives the edited one.
class DlgChangeName final : public QDialog {
public:
    explicit DlgChangeName(QWidget* parent = nullptr);

    void SetName(const std::string& name);
    const std::string& GetName() const { return name_; }

private:
    QLineEdit* edit_;
    std::string name_;
};
