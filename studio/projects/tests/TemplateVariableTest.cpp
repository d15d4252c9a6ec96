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
        {kVarNumber, "0", true},         {kVarNumber, "-5", true},     {kVarNumber, "12px", true},
        {kVarNumber, " 7", true},        {kVarNumber, "abc", false},   {kVarNumber, "", false},
        {kVarNumber, "-", false},        {kVarNumber, nullptr, false}, {kVarBool, "0", true},
        {kVarBool, "1", true},           {kVarBool, " 1", true},       {kVarBool, "2", false},
        {kVarBool, "abc", false},        {kVarBool, "", false},        {kVarBool, "-1", false},
        {kVarBool, "4294967297", false}, {kVarString, "", true},       {kVarText, "any text", true},
        {kVarColor, "ff0000", true},     {kVarNone, "x", true},        {kVarString, nullptr, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Declared(c.type).Validate(c.text), c.valid)
            << "type " << c.type << " text " << (c.text != nullptr ? c.text : "(null)");
    }
    const TemplateVariable list = Declared(kVarStringList, {"Left", "Right"});
    EXPECT_TRUE(list.Validate("Right"));
    EXPECT_FALSE(list.Validate("right"));
    EXPECT_FALSE(list.Validate(""));
    EXPECT_FALSE(Declared(kVarStringList).Validate("Left"));
}

TEST(TemplateVariable, SettingFromTextKeepsTheTypesRules) {
    TemplateVariable number = Declared(kVarNumber);
    EXPECT_TRUE(number.SetValueText("-5"));
    EXPECT_EQ(number.value, -5);
    EXPECT_EQ(number.GetValueText(), "-5");
    EXPECT_FALSE(number.SetValueText("abc"));
    EXPECT_EQ(number.GetValueText(), "-5");
    EXPECT_TRUE(number.SetValueText("99999999999999999999"));
    EXPECT_EQ(number.value, INT_MAX);

    TemplateVariable flag = Declared(kVarBool, {"No", "Yes"});
    EXPECT_TRUE(flag.SetValueText("1 "));
    EXPECT_EQ(flag.GetValueText(), "1");
    EXPECT_EQ(flag.GetDisplayText(), "Yes");
    EXPECT_TRUE(flag.SetValueText("0"));
    EXPECT_EQ(flag.GetValueText(), "0");
    EXPECT_EQ(flag.GetDisplayText(), "No");
    EXPECT_FALSE(flag.SetValueText("2"));
    EXPECT_EQ(flag.value, 0);

    TemplateVariable colour = Declared(kVarColor);
    EXPECT_TRUE(colour.SetValueText("ff0000"));
    EXPECT_EQ(colour.value, 0);
    EXPECT_EQ(colour.GetValueText(), "ff0000");

    TemplateVariable list = Declared(kVarStringList, {"a", "b"});
    EXPECT_FALSE(list.SetValueText("c"));
    EXPECT_EQ(list.GetValueText(), "");
    EXPECT_TRUE(list.SetValueText("b"));
    EXPECT_EQ(list.GetDisplayText(), "b");

    TemplateVariable undeclared;
    undeclared.valueText = "stale";
    EXPECT_TRUE(undeclared.SetValueText("x"));
    EXPECT_EQ(undeclared.GetValueText(), "");
    EXPECT_EQ(undeclared.GetDisplayText(), "");
}

TEST(TemplateVariable, NumbersAndChoicesStayInsideTheirBounds) {
    TemplateVariable flag = Declared(kVarBool, {"Off", "On"});
    EXPECT_TRUE(flag.SetValue(1));
    EXPECT_EQ(flag.GetDisplayText(), "On");
    EXPECT_FALSE(flag.SetValue(5));
    EXPECT_EQ(flag.GetDisplayText(), "On");
    // A bool without its two texts, or with a value past them, shows its value.
    flag.choices.clear();
    EXPECT_EQ(flag.GetDisplayText(), "1");
    flag.value = -1;
    EXPECT_EQ(flag.GetDisplayText(), "1");

    TemplateVariable list = Declared(kVarStringList, {"x", "y"});
    EXPECT_TRUE(list.SetValue(1));
    EXPECT_EQ(list.GetValueText(), "y");
    EXPECT_FALSE(list.SetValue(2));
    EXPECT_FALSE(list.SetValue(-1));
    EXPECT_EQ(list.GetValueText(), "y");
    EXPECT_EQ(list.GetChoice(2), "");
    std::string text;
    std::vector<std::string> seen;
    for (bool more = list.FirstChoice(text); more; more = list.NextChoice(text)) {
        seen.push_back(text);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"x", "y"}));
    EXPECT_FALSE(Declared(kVarStringList).FirstChoice(text));
    EXPECT_FALSE(Declared(kVarStringList).SetValue(0));
    EXPECT_FALSE(Declared(kVarString).SetValue(1));
}

TEST(TemplateVariable, NumberConstructorAndLocaleFreeText) {
    CommaLocale locale;
    ASSERT_TRUE(CommaLocale::HasComma()) << "no locale with a decimal comma could be set";
    const TemplateVariable v(-1234567, "n", "cat", "Title", "desc");
    EXPECT_EQ(v.varType, kVarNumber);
    EXPECT_EQ(v.value, -1234567);
    EXPECT_EQ(v.GetValueText(), "-1234567");
    TemplateVariable copy = v;
    EXPECT_TRUE(copy.SetValue(1000000));
    EXPECT_EQ(copy.GetValueText(), "1000000");
}

TEST(TemplateVariable, ScanIntReadsLikePercentD) {
    EXPECT_EQ(ScanInt(" \n 3 rest"), 3);
    EXPECT_EQ(ScanInt("+4"), 4);
    EXPECT_EQ(ScanInt("-0"), 0);
    EXPECT_FALSE(ScanInt("x3"));
    EXPECT_FALSE(ScanInt("- 3"));
    EXPECT_FALSE(ScanInt(""));
    EXPECT_EQ(ScanInt("-99999999999999999999999"), INT_MIN);
    EXPECT_EQ(AtoInt("abc"), 0);
    EXPECT_EQ(AtoInt("12abc"), 12);
}

}  // namespace
