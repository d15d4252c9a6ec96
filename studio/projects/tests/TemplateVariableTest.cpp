#include "studio/projects/TemplateVariable.h"

#include <climits>

#include <gtest/gtest.h>

#include "testing/CommaLocale.h"

namespace {

TemplateVariable Declared(int type, std::vector<std::string> choices = {}) {
    TemplateVariable variable;
    variable.varType = type;
    variable.name = "v";
    variable.choices = std::move(choices);
    return variable;
}

TEST(TemplateVariable, ValidationByType) {
    struct Case {
        int type;
        const char* text;
        bool valid;
    };
    const Case cases[] = {
        {kVarNumber, "12px", true},  {kVarNumber, " 7", true},         {kVarNumber, "-", false},
        {kVarNumber, "abc", false},  {kVarNumber, nullptr, false},     {kVarBool, " 1", true},
        {kVarBool, "2", false},      {kVarBool, "-1", false},          {kVarBool, "4294967297", false},
        {kVarString, "", true},      {kVarString, nullptr, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Declared(c.type).Validate(c.text), c.valid)
            << "type " << c.type << " text " << (c.text != nullptr ? c.text : "(null)");
    }
    const TemplateVariable list = Declared(kVarStringList, {"Left", "Right"});
    EXPECT_TRUE(list.Validate("Right"));
    EXPECT_FALSE(list.Validate("right"));
}

TEST(TemplateVariable, ValuesAndChoicesStayInsideTheirBounds) {
    CommaLocale locale;
    ASSERT_TRUE(CommaLocale::HasComma()) << "no locale with a decimal comma could be set";
    TemplateVariable number = Declared(kVarNumber);
    EXPECT_FALSE(number.SetValueText("abc"));
    EXPECT_TRUE(number.SetValueText("-1234567"));
    EXPECT_EQ(number.GetValueText(), "-1234567");
    EXPECT_TRUE(number.SetValueText("99999999999999999999"));
    EXPECT_EQ(number.value, INT_MAX);
    EXPECT_EQ(ScanInt("-99999999999999999999999"), INT_MIN);
    EXPECT_FALSE(ScanInt("- 3"));

    TemplateVariable flag = Declared(kVarBool, {"Off", "On"});
    EXPECT_TRUE(flag.SetValueText("1 "));
    EXPECT_EQ(flag.GetDisplayText(), "On");
    EXPECT_FALSE(flag.SetValueText("2"));
    EXPECT_FALSE(flag.SetValue(5));
    EXPECT_EQ(flag.GetValueText(), "1");
    // A bool without its two texts, or with a value past them, shows its value.
    flag.choices.clear();
    EXPECT_EQ(flag.GetDisplayText(), "1");
    flag.value = -1;
    EXPECT_EQ(flag.GetDisplayText(), "1");

    TemplateVariable list = Declared(kVarStringList, {"x", "y"});
    EXPECT_FALSE(list.SetValueText("c"));
    EXPECT_TRUE(list.SetValue(1));
    EXPECT_FALSE(list.SetValue(2));
    EXPECT_FALSE(list.SetValue(-1));
    EXPECT_EQ(list.GetValueText(), "y");
    EXPECT_EQ(list.GetChoice(2), "");
    EXPECT_FALSE(Declared(kVarStringList).SetValue(0));
}

}  // namespace
