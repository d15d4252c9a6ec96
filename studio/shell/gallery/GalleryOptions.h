#pragma once

#include <string>
#include <vector>

#include <QDialog>

class QListWidget;
class QPushButton;
class TemplateVariable;

// "Configure gallery": lists the variables the gallery's template declares and edits one
// at a time in the editor of its type. The caller regenerates the preview when a variable
// changed.
class GalleryOptions final : public QDialog {
public:
    explicit GalleryOptions(QWidget* parent = nullptr);

    // The sheet of the open gallery, before the dialog is shown; it owns the dialog's
    // editors while they run.
    void SetGallerySheet(QWidget* sheet) { sheet_ = sheet; }
    // Whether any editor stored a value.
    bool IsChanged() const { return changed_; }

    // Opens the editor for the selected row; nothing without one.
    void EditVariable();

    // The line a list shows for a variable.
    static std::string VariableLine(const TemplateVariable& variable);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Fill();
    void UpdateChange();

    QListWidget* list_;
    QPushButton* change_;
    QWidget* sheet_ = nullptr;
    // The variable of each row, in the gallery's dictionary.
    std::vector<TemplateVariable*> rows_;
    bool filled_ = false;
    bool changed_ = false;
};
