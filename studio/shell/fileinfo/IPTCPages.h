#pragma once

#include <string>
#include <vector>

#include <QDate>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "studio/shell/PropertySheet.h"

class IPTCData;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QListWidget;
class QPushButton;

// What every file-information page shares: the record being edited, and text fields that
// are written back only when the user changed them, so a text the controls cannot show
// exactly (bytes that are not UTF-8) survives a confirmation untouched.
class IPTCPropertyHelper {
public:
    virtual ~IPTCPropertyHelper() = default;
    void SetRecord(IPTCData* record) { record_ = record; }
    IPTCData* GetRecord() const { return record_; }

    // A record's bytes as the controls show them: UTF-8 when they are, else one character
    // per byte.
    static QString ToDisplay(const std::string& bytes);

protected:
    // Ties an edit to a text of the record.
    void BindText(QLineEdit* edit, std::string IPTCData::*field);
    void LoadTexts();
    void StoreTexts();

private:
    struct Bound {
        QLineEdit* edit;
        std::string IPTCData::*field;
        QString shown;
    };
    IPTCData* record_ = nullptr;
    std::vector<Bound> bound_;
};

// A list of texts with an edit, "Add" and "Remove" (Enter in the edit adds too); the
// record's list is rebuilt from it on confirmation, and left as it was when the user changed
// nothing.
class IPTCListEditor final : public QWidget {
public:
    IPTCListEditor(QWidget* page, int editId);
    void Load(const std::vector<std::string>& texts);
    void Store(std::vector<std::string>& texts) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddTyped();

    QLineEdit* edit_;
    QListWidget* list_;
    QPushButton* add_;
    QPushButton* remove_;
    std::vector<std::string> loaded_;
    QStringList shown_;
};

class PropFileInfoCaption final : public PropertyPage, public IPTCPropertyHelper {
public:
    PropFileInfoCaption();
    void Apply() override;

protected:
    void Init() override;
};

class PropFileInfoKeywords final : public PropertyPage, public IPTCPropertyHelper {
public:
    PropFileInfoKeywords();
    void Apply() override;

protected:
    void Init() override;

private:
    IPTCListEditor* keywords_;
};

class PropFileInfoCategories final : public PropertyPage, public IPTCPropertyHelper {
public:
    PropFileInfoCategories();
    void Apply() override;

protected:
    void Init() override;

private:
    QComboBox* urgency_;
    IPTCListEditor* categories_;
};

class PropFileInfoCredits final : public PropertyPage, public IPTCPropertyHelper {
public:
    PropFileInfoCredits();
    void Apply() override;

protected:
    void Init() override;
};

class PropFileInfoOrigin final : public PropertyPage, public IPTCPropertyHelper {
public:
    PropFileInfoOrigin();
    void Apply() override;

protected:
    void Init() override;

private:
    QDateEdit* date_;
    bool dateShown_ = false;  // the record's own date is in the picker
    QDate shownDate_;
};

class PropFileInfoCopyright final : public PropertyPage, public IPTCPropertyHelper {
public:
    PropFileInfoCopyright();
    void Apply() override;

protected:
    void Init() override;
};

// The six pages in the order the "File info" sheet shows them, all on one record.
std::vector<PropertyPage*> MakeFileInfoPages(IPTCData* record);
