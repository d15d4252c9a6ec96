#include <climits>
#include <tuple>

#include <gtest/gtest.h>

#include "studio/projects/Gallery.h"
#include "studio/projects/TemplateVariable.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "testing/CommaLocale.h"

namespace {

// Three images, the second one current, on page 2 of 3 with two images a page; numbers
// written with a decimal comma wherever the C library is asked.
class GalleryVariables : public ::testing::Test {
protected:
    GalleryVariables() {
        Properties& properties = env.properties();
        properties.SetThumbColor(0x0000FF);  // red, as a Windows colour value
        properties.SetBgColor(0xFF0000);     // blue
        properties.SetMaxZoom(12.5f);
        properties.SetPosY(-0.125f);
        for (const char* name : {"a.jpg", "my.photo.tga", "noext"}) gallery.Append(name);
        gallery.images[0].fileSize = 1000;
        gallery.images[1].points.push_back({"p", {0.5f, -1.25f, 2.0f}, {320, 200}});
        gallery.images[1].points.push_back({"q", {1.0f, 2.0f, 3.0f}, {320, 200}});
        gallery.currentImage = 2;
        gallery.currentPage = 2;
        gallery.pageTotal = 3;
        gallery.imagesPerPage = 2;
    }
    std::string Print(const std::string& word, const std::string& arguments = "") {
        std::string text = "unset";
        EXPECT_TRUE(gallery.GetBuiltInVariable(word, arguments, text)) << word;
        return text;
    }

    CommaLocale locale;
    gallery_testing::GalleryEnvironment env;
    gallery_testing::OpenGallery gallery{env.properties()};
};

TEST_F(GalleryVariables, BuiltInNamesPrintTheirValues) {
    ASSERT_TRUE(CommaLocale::HasComma()) << "no locale with a decimal comma could be set";
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"thumburl", "", "tmb_my.photo.jpg"},
        {"allpoints", "", "[0.500000,-1.250000,2.000000],[1.000000,2.000000,3.000000]"},
        {"allthumbs", "", "\"tmb_a.jpg\",\"tmb_my.photo.jpg\",\"tmb_noext\""},
        {"imageurl", "\n\t3 trailing", "noext"},
        {"imageurl", " 4", ""},
        {"imageurl", " x", "my.photo.tga"},
        {"imagename", "", "my.photo"},
        {"imagefilesizekilo", " 1", "1.5"},
        {"thumbfillcolor", "", "ff0000"},
        {"nextimagepageurl", "", "index2_3.htm"},
        {"vantelomaxzoom", "", "12.500000"},
        {"vantelobgcolor", "", "ff"},
        {"vanteloposY", "", "-0.125"},
    };
    for (const auto& [word, arguments, text] : rows) {
        EXPECT_EQ(Print(word, arguments), text) << word << " with \"" << arguments << "\"";
    }
    std::string text;
    for (const char* other : {"Title", "imagepageurl ", "iptc_byline", "unknown", ""}) {
        EXPECT_FALSE(gallery.GetBuiltInVariable(other, "", text)) << other;
    }
}

TEST_F(GalleryVariables, NeighboursWrapAroundTheList) {
    gallery.currentImage = 3;
    EXPECT_EQ(Print("nextimagepageurl"), "index1_1.htm");
    gallery.currentImage = 9;  // past the list, after "nextimage" stepped out
    EXPECT_EQ(Print("nextimageurl"), "a.jpg");
    EXPECT_EQ(Print("previmageurl"), "");
    // Before the index template was counted every image gets a page of its own.
    gallery.imagesPerPage = 0;
    gallery.currentImage = 1;
    EXPECT_EQ(Print("nextimagepageurl"), "index2_2.htm");
}

TemplateVariable Declared(int type, std::vector<std::string> choices = {}) {
    TemplateVariable variable;
    variable.varType = type;
    variable.name = "v";
    variable.choices = std::move(choices);
    return variable;
}

TEST(TemplateVariable, ValuesAndChoicesStayInsideTheirBounds) {
    CommaLocale locale;
    TemplateVariable number = Declared(kVarNumber);
    EXPECT_TRUE(number.SetValueText("-1234567"));
    EXPECT_EQ(number.GetValueText(), "-1234567");
    EXPECT_TRUE(number.SetValueText("99999999999999999999"));
    EXPECT_EQ(number.value, INT_MAX);
    EXPECT_EQ(ScanInt("-99999999999999999999999"), INT_MIN);
    EXPECT_FALSE(ScanInt("- 3"));

    for (const char* text : {"2", "-1", "4294967297", "abc"}) {
        EXPECT_FALSE(Declared(kVarBool).Validate(text)) << text;
    }
    EXPECT_TRUE(Declared(kVarNumber).Validate("12px"));
    EXPECT_FALSE(Declared(kVarNumber).Validate(nullptr));
    EXPECT_FALSE(Declared(kVarStringList, {"Left", "Right"}).Validate("right"));

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
    EXPECT_TRUE(list.SetValue(1));
    EXPECT_FALSE(list.SetValue(2));
    EXPECT_FALSE(list.SetValue(-1));
    EXPECT_EQ(list.GetValueText(), "y");
    EXPECT_EQ(list.GetChoice(2), "");
}

}  // namespace
