#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TemplateVariable;

// The small dialogs that edit one template variable in place, one per kind of value. Each
// is made with its parent, given the variable, and run with exec(): Accepted means the
// variable took a new value, Rejected that it is as it was.
class VariableEditor : public QDialog {
public:
    // Shows the variable's value and description; the variable must outlive the dialog.
    virtual void SetVariable(TemplateVariable* variable);

protected:
    // `caption` is the dialog's own caption; a titled editor takes the variable's title.
    VariableEditor(QWidget* parent, int dialogId, const char* caption, bool titled);
    // Lays out `value` (and any extra row) above the description and OK / Cancel; OK runs
    // Store, which closes the dialog when it returns true.
    void Finish(QWidget* value, QWidget* extra = nullptr);
    virtual void ShowValue() = 0;
    virtual bool Store() = 0;

    TemplateVariable* variable_ = nullptr;

private:
    QLabel* description_;
    bool titled_;
};

// Strings, numbers and any type without an editor of its own.
class VarStringDlg final : public VariableEditor {
public:
    explicit VarStringDlg(QWidget* parent = nullptr);

private:
    void ShowValue() override;
    bool Store() override;
    QLineEdit* edit_;
};

class VarLongTextDlg final : public VariableEditor {
public:
    explicit VarLongTextDlg(QWidget* parent = nullptr);

private:
    void ShowValue() override;
    bool Store() override;
    QPlainTextEdit* edit_;
};

class VarBoolDlg final : public VariableEditor {
public:
    explicit VarBoolDlg(QWidget* parent = nullptr);

private:
    void ShowValue() override;
    bool Store() override;
    QComboBox* list_;
};

// A choice among the variable's strings.
class VarSelTextDlg final : public VariableEditor {
public:
    explicit VarSelTextDlg(QWidget* parent = nullptr);

private:
    void ShowValue() override;
    bool Store() override;
    QComboBox* list_;
};

// A colour as the "rrggbb" text templates print, typed or picked.
class VarColorDlg final : public VariableEditor {
public:
    explicit VarColorDlg(QWidget* parent = nullptr);

private:
    void ShowValue() override;
    bool Store() override;
    void Pick();
    QLineEdit* edit_;
};
