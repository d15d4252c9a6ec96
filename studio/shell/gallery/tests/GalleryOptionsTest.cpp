#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "studio/projects/Gallery.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/gallery/GalleryOptions.h"
#include "studio/shell/gallery/VariableEditors.h"
#include "testing/DialogDriver.h"
#include "testing/QtTestApp.h"
#include "testing/ScriptedPrompts.h"
#include "testing/StudioEnvironment.h"

namespace {

using testing_support::DialogDriver;
using testing_support::ScriptedPrompts;

TemplateVariable Variable(const std::string& name, int type, const std::string& value,
                          std::vector<std::string> choices = {}) {
    TemplateVariable variable;
    variable.SetName(name);
    variable.varType = type;
    variable.category = "Look";
    variable.title = "The " + name;
    variable.description = "What " + name + " does on every page of the gallery.";
    variable.choices = std::move(choices);
    variable.valueText = value;
    if (type == kVarBool || type == kVarNumber) variable.value = AtoInt(value);
    return variable;
}

// An open gallery holding the variables, closed again at the end of the test.
class OpenGalleryScope {
public:
    explicit OpenGalleryScope(const std::vector<TemplateVariable>& variables) {
        testing_support::TestApplication();
        testing_support::StudioEnvironment::Get();
        auto gallery = std::make_unique<Gallery>();
        for (const TemplateVariable& variable : variables) gallery->SetVariable(variable);
        SetCurrentGallery(std::move(gallery));
    }
    ~OpenGalleryScope() { SetCurrentGallery(nullptr); }
    OpenGalleryScope(const OpenGalleryScope&) = delete;
    OpenGalleryScope& operator=(const OpenGalleryScope&) = delete;
};

QListWidget* List(GalleryOptions& options) {
    return options.findChild<QListWidget*>("1038");
}
QPushButton* Change(GalleryOptions& options) {
    return options.findChild<QPushButton*>("1051");
}

// Opens the editor of row 0 through "Change" and works it with `drive`.
void EditFirstRow(GalleryOptions& options, std::function<void(DialogDriver&)> drive) {
    bool ran = false;
    testing_support::DriveNextDialog([&](DialogDriver& dialog) {
        ran = true;
        drive(dialog);
    });
    Change(options)->click();
    EXPECT_TRUE(ran) << "no editor opened";
}

TEST(GalleryOptionsLine, ShowsTitleAndShownValueOrNotUsed) {
    struct Case {
        TemplateVariable variable;
        std::string line;
    } cases[] = {
        {Variable("name", kVarString, "Home"), "Look : The name='Home'"},
        {Variable("name", kVarString, ""), "Look : *The name - Not used"},
        {Variable("frame", kVarBool, "0", {"No frame", "Framed"}), "Look : The frame='No frame'"},
        {Variable("frame", kVarBool, "1", {"No frame", "Framed"}), "Look : The frame='Framed'"},
        {Variable("style", kVarStringList, "dark", {"light", "dark"}), "Look : The style='dark'"},
    };
    for (const Case& c : cases) EXPECT_EQ(GalleryOptions::VariableLine(c.variable), c.line);
}

TEST(GalleryOptions, TemplateWithoutVariablesOffersNothingToChange) {
    OpenGalleryScope scope({});
    GalleryOptions options;
    options.show();
    EXPECT_EQ(List(options)->count(), 0);
    EXPECT_FALSE(Change(options)->isEnabled());
    options.EditVariable();
    EXPECT_FALSE(options.IsChanged());
}

TEST(GalleryOptions, EditedRowIsRewrittenInPlaceAndReselected) {
    OpenGalleryScope scope({Variable("a", kVarString, "x"), Variable("b", kVarString, "y")});
    GalleryOptions options;
    options.show();
    ASSERT_EQ(List(options)->count(), 2);
    EXPECT_EQ(List(options)->currentRow(), 0);
    EXPECT_TRUE(Change(options)->isEnabled());

    EditFirstRow(options, [](DialogDriver& dialog) {
        EXPECT_EQ(dialog.dialog()->windowTitle(), "The a");
        dialog.SetText(1039, "");
        dialog.Press(1);
    });
    EXPECT_EQ(List(options)->item(0)->text(), "Look : *The a - Not used");
    EXPECT_EQ(List(options)->item(1)->text(), "Look : The b='y'");
    EXPECT_EQ(List(options)->currentRow(), 0);
    EXPECT_TRUE(options.IsChanged());
    EXPECT_EQ(CurrentGallery()->GetVariableText("a"), "");
}

TEST(GalleryOptions, CancelInEveryEditorChangesNothing) {
    const std::vector<TemplateVariable> variables = {
        Variable("s", kVarString, "x"),
        Variable("t", kVarText, "long"),
        Variable("n", kVarNumber, "5"),
        Variable("b", kVarBool, "1", {"off", "on"}),
        Variable("l", kVarStringList, "two", {"one", "two"}),
        Variable("c", kVarColor, "123456"),
    };
    for (const TemplateVariable& variable : variables) {
        OpenGalleryScope scope({variable});
        GalleryOptions options;
        options.show();
        const QString before = List(options)->item(0)->text();
        EditFirstRow(options, [](DialogDriver& dialog) {
            for (int id : {1039, 1219}) {
                if (auto* edit = dialog.dialog()->findChild<QLineEdit*>(QString::number(id)))
                    edit->setText("0");
            }
            if (auto* edit = dialog.dialog()->findChild<QPlainTextEdit*>("1039"))
                edit->setPlainText("other");
            if (auto* list = dialog.dialog()->findChild<QComboBox*>("1217"))
                list->setCurrentIndex(0);
            dialog.Press(2);
        });
        EXPECT_EQ(List(options)->item(0)->text(), before) << variable.name;
        EXPECT_FALSE(options.IsChanged()) << variable.name;
        EXPECT_EQ(CurrentGallery()->GetVariableText(variable.name), variable.valueText);
    }
}

// The editors alone: each is shown, worked and confirmed as the options dialog would.
struct WithApplication {
    WithApplication() { testing_support::TestApplication(); }
};

template <class Editor>
struct Edited : WithApplication {
    explicit Edited(TemplateVariable v) : variable(std::move(v)) {
        editor.SetVariable(&variable);
        editor.show();
    }
    template <class W>
    W* Control(int id) {
        W* control = editor.template findChild<W*>(QString::number(id));
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    void Ok() { Control<QPushButton>(1)->click(); }
    TemplateVariable variable;
    Editor editor;
};

TEST(VariableEditors, NumberMustReadAsNumber) {
    ScriptedPrompts prompts;
    Edited<VarStringDlg> number(Variable("n", kVarNumber, "5"));
    number.Control<QLineEdit>(1039)->setText("abc");
    number.Ok();
    EXPECT_TRUE(number.editor.isVisible()) << "stays open";
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Please enter a number");
    EXPECT_EQ(prompts.calls()[0].caption, "Vistrel 2") << "the application's title";
    EXPECT_EQ(number.variable.valueText, "5");

    number.Control<QLineEdit>(1039)->setText("42");
    number.Ok();
    EXPECT_EQ(number.editor.result(), QDialog::Accepted);
    EXPECT_EQ(number.variable.value, 42);
    EXPECT_EQ(number.variable.valueText, "42");
}

TEST(VariableEditors, ChoiceListsOpenOnTheValueOrTheFirst) {
    Edited<VarSelTextDlg> unknown(Variable("l", kVarStringList, "zzz", {"one", "two"}));
    EXPECT_EQ(unknown.Control<QComboBox>(1217)->currentText(), "one");
    EXPECT_EQ(unknown.editor.windowTitle(), "The l");

    Edited<VarSelTextDlg> known(Variable("l", kVarStringList, "two", {"one", "two"}));
    EXPECT_EQ(known.Control<QComboBox>(1217)->currentIndex(), 1);
    known.Control<QComboBox>(1217)->setCurrentIndex(0);
    known.Ok();
    EXPECT_EQ(known.variable.valueText, "one");

    Edited<VarSelTextDlg> none(Variable("l", kVarStringList, "kept"));
    EXPECT_EQ(none.Control<QComboBox>(1217)->count(), 0);
    none.Ok();
    EXPECT_EQ(none.editor.result(), QDialog::Rejected);
    EXPECT_EQ(none.variable.valueText, "kept");

    Edited<VarBoolDlg> flag(Variable("b", kVarBool, "1", {"off", "on"}));
    EXPECT_EQ(flag.Control<QComboBox>(1217)->currentText(), "on");
    flag.Control<QComboBox>(1217)->setCurrentIndex(0);
    flag.Ok();
    EXPECT_EQ(flag.variable.valueText, "0");
    EXPECT_EQ(flag.variable.value, 0);
}

TEST(VariableEditors, ColourIsPickedFromBlackAsRedGreenBlue) {
    ScriptedPrompts prompts;
    Edited<VarColorDlg> colour(Variable("c", kVarColor, "000000"));
    prompts.AnswerColor(0xFF0000u);
    colour.Control<QPushButton>(1220)->click();
    EXPECT_EQ(colour.Control<QLineEdit>(1219)->text(), "ff0000");
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].color, 0u) << "starts at black";

    prompts.AnswerColor(std::nullopt);
    colour.Control<QPushButton>(1220)->click();
    EXPECT_EQ(colour.Control<QLineEdit>(1219)->text(), "ff0000") << "a cancelled pick";

    colour.Control<QLineEdit>(1219)->setText("not a colour");
    colour.Ok();
    EXPECT_EQ(colour.variable.valueText, "not a colour") << "what the user types is kept";
}

TEST(VariableEditors, DescriptionIsWrappedAndLongTextStored) {
    Edited<VarLongTextDlg> text(Variable("t", kVarText, "a"));
    EXPECT_EQ(text.editor.windowTitle(), "Text input");
    TemplateVariable wide = Variable("t", kVarText, "a");
    wide.description = std::string(400, 'm');
    text.editor.SetVariable(&wide);
    EXPECT_TRUE(text.Control<QLabel>(1043)->text().contains('\n'));
    text.Control<QPlainTextEdit>(1039)->setPlainText("two\nlines");
    text.Ok();
    EXPECT_EQ(wide.valueText, "two\nlines");
}

}  // namespace
