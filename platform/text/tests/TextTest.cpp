#include "platform/text/Text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/text/Ascii.h"
#include "testing/CommaLocale.h"

namespace {

TEST(Text, FormatsWithAPointWhateverTheProcessLocale) {
    CommaLocale locale;
    EXPECT_TRUE(CommaLocale::HasComma()) << "no locale with a decimal comma could be made";
    EXPECT_EQ(platform::FormatC("%f", 1.5), "1.500000");
    EXPECT_EQ(platform::FormatC("%.3f,%.1f", 0.25, -2.0), "0.250,-2.0");
    EXPECT_EQ(platform::FormatC("%x|%d|%s", 255, -7, "abc"), "ff|-7|abc");
    EXPECT_EQ(platform::FormatC("%s", ""), "");
    EXPECT_EQ(platform::AtoF("2.5"), 2.5);
}

TEST(Text, ScansWithAPointWhateverTheProcessLocale) {
    CommaLocale locale;
    float x = 0, y = 0;
    EXPECT_EQ(platform::ScanC("1.5,-0.25", "%f,%f", &x, &y), 2);
    EXPECT_EQ(x, 1.5f);
    EXPECT_EQ(y, -0.25f);
    int a = 7, b = 7;
    EXPECT_EQ(platform::ScanC("12,x", "%d,%d", &a, &b), 1);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 7);
}

TEST(Text, ParsesWholeNumbersOnly) {
    EXPECT_EQ(platform::ParseDouble(" 3.25 "), 3.25);
    EXPECT_EQ(platform::ParseDouble("+1e3"), 1000.0);
    EXPECT_FALSE(platform::ParseDouble("3,25"));
    EXPECT_FALSE(platform::ParseDouble(""));
    EXPECT_FALSE(platform::ParseDouble("1.5x"));
    EXPECT_EQ(platform::ParseInt("-42"), -42);
    EXPECT_EQ(platform::ParseInt("ff", 16), 255);
    EXPECT_FALSE(platform::ParseInt("99999999999999999999"));
}

TEST(Text, AtoFAndAtoITakeTheLongestPrefix) {
    EXPECT_EQ(platform::AtoF("1.5abc"), 1.5);
    EXPECT_EQ(platform::AtoF("abc"), 0.0);
    EXPECT_EQ(platform::AtoI("12px"), 12);
    EXPECT_EQ(platform::AtoI(""), 0);
    // Beyond long long, and beyond int once clamped: held at the end passed, never 0.
    EXPECT_EQ(platform::AtoI("99999999999999999999"), LLONG_MAX);
    EXPECT_EQ(platform::AtoI("-99999999999999999999x"), LLONG_MIN);
    EXPECT_EQ(platform::ClampToInt(platform::AtoI("99999999999999999999")), INT_MAX);
    EXPECT_EQ(platform::ClampToInt(-3000000000LL), INT_MIN);
}

}  // namespace

namespace {

TEST(Ascii, CaseAndHexDigitsIgnoreTheLocaleAndNonAsciiBytes) {
    EXPECT_EQ(platform::ToLowerAscii("IMG_01.JPEG \xC3\x89"), "img_01.jpeg \xC3\x89");
    struct Case {
        const char* text;
        const char* suffix;
        bool ends;
    };
    for (const Case& c :
         {Case{"a.JPG", ".jpg", true}, Case{"a.jpg", ".JPG", true}, Case{"jpg", ".jpg", false},
          Case{"a.jpeg", ".jpg", false}, Case{"", "", true}}) {
        EXPECT_EQ(platform::EndsWithNoCase(c.text, c.suffix), c.ends) << c.text << " " << c.suffix;
    }
    const std::string digits = "09afAFgG/:@`";
    std::vector<int> values;
    for (char d : digits) values.push_back(platform::HexDigitValue(d));
    EXPECT_EQ(values, (std::vector<int>{0, 9, 10, 15, 10, 15, -1, -1, -1, -1, -1, -1}));
}

}  // namespace
