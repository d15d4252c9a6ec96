#pragma once

#include <string>

#include <QDialog>

class QLabel;
class QLineEdit;

// "Rename file": asked when a copy meets a file of the same name. The caller gives the
// existing name and a proposed new one; the answer is the edited name, or one of the four
// choices below, or Cancel (the dialog is rejected).
class RenameDlg final : public QDialog {
public:
    explicit RenameDlg(QWidget* parent = nullptr);

    // Shown when the dialog runs.
    void SetNames(const std::string& existingName, const std::string& newName);
    const std::string& GetExistingName() const { return existingName_; }
    // After "Ok": the edited name.
    const std::string& GetNewName() const { return newName_; }

    bool AutoRename() const { return autoRename_; }
    bool AutoRenameAll() const { return autoRenameAll_; }
    bool Overwrite() const { return overwrite_; }
    bool OverwriteAll() const { return overwriteAll_; }

private:
    void Choose(bool autoRename, bool autoRenameAll, bool overwrite, bool overwriteAll);

    QLabel* existing_;
    QLineEdit* edit_;
    std::string existingName_;
    std::string newName_;
    bool autoRename_ = false;
    bool autoRenameAll_ = false;
    bool overwrite_ = false;
    bool overwriteAll_ = false;
};
