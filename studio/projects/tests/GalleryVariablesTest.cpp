#include <gtest/gtest.h>

#include "studio/projects/Gallery.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "testing/CommaLocale.h"

namespace {

using gallery_testing::GalleryEnvironment;
using gallery_testing::OpenGallery;

// Three images, the second one current, on page 2 of 3 with two images a page.
struct KnownGallery {
    explicit KnownGallery(Properties& properties) : gallery(properties) {
        properties.SetThumbSize({60, 40});
        properties.SetThumbColor(0x0000FF);  // red, as a Windows colour value
        properties.SetBgColor(0xFF0000);     // blue
        properties.SetLock(26);
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

    OpenGallery gallery;
};

TEST(GalleryVariables, BuiltInNamesPrintTheirValues) {
    GalleryEnvironment env;
    CommaLocale locale;
    ASSERT_TRUE(CommaLocale::HasComma()) << "no locale with a decimal comma could be set";
    KnownGallery known(env.properties());
    struct Row {
        const char* word;
        const char* arguments;
        const char* text;
    };
    const Row rows[] = {
        {"thumburl", "", "tmb_my.photo.jpg"},
        {"thumburl", " 3", "tmb_noext"},
        {"allpoints", "", "[0.500000,-1.250000,2.000000],[1.000000,2.000000,3.000000]"},
        {"allthumbs", "", "\"tmb_a.jpg\",\"tmb_my.photo.jpg\",\"tmb_noext\""},
        {"imageurl", "\n\t3 trailing", "noext"},
        {"imageurl", " 4", ""},
        {"imageurl", " 0", ""},
        {"imageurl", " x", "my.photo.tga"},
        {"imagename", "", "my.photo"},
        {"imagefilesizekilo", " 1", "1.5"},
        {"imagefilesizekilo", "", "0.5"},
        {"thumbfillcolor", "", "ff0000"},
        {"nextimagepageurl", "", "index2_3.htm"},
        {"previmagepageurl", "", "index1_1.htm"},
        {"nextpage", "", "index3.htm"},
        {"vantelomaxzoom", "", "12.500000"},
        {"vantelobgcolor", "", "ff"},
        {"vantelolock", "", "1a"},
        {"vanteloposY", "", "-0.125"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(known.Print(row.word, row.arguments), row.text)
            << row.word << " with \"" << row.arguments << "\"";
    }
    std::string text;
    for (const char* other : {"Title", "imagepageurl ", "iptc_byline", "unknown", ""}) {
        EXPECT_FALSE(known.gallery.GetBuiltInVariable(other, "", text)) << other;
    }
}

TEST(GalleryVariables, NeighboursWrapAroundTheList) {
    GalleryEnvironment env;
    KnownGallery known(env.properties());
    known.gallery.currentImage = 3;
    EXPECT_EQ(known.Print("nextimageurl"), "a.jpg");
    EXPECT_EQ(known.Print("nextimagepageurl"), "index1_1.htm");
    known.gallery.currentImage = 1;
    EXPECT_EQ(known.Print("previmageurl"), "noext");
    // Past the list, after "nextimage" stepped out.
    known.gallery.currentImage = 9;
    EXPECT_EQ(known.Print("nextimageurl"), "a.jpg");
    EXPECT_EQ(known.Print("previmageurl"), "");
    // Before the index template was counted every image gets a page of its own.
    known.gallery.imagesPerPage = 0;
    known.gallery.currentImage = 1;
    EXPECT_EQ(known.Print("nextimagepageurl"), "index2_2.htm");
    known.gallery.images.clear();
    EXPECT_EQ(known.Print("nextimageurl"), "");
}

TEST(GalleryVariables, IptcFieldsOfTheCurrentImage) {
    GalleryEnvironment env;
    KnownGallery known(env.properties());
    OpenGallery& gallery = known.gallery;
    IPTCData& iptc = gallery.images[1].iptc;
    iptc.Clear();
    iptc.byline = "by";
    iptc.caption = "cap";
    iptc.originalTransmissionReference = "ref";
    iptc.keywords = {"boat", "harbour, old"};
    EXPECT_EQ(gallery.GetIptcVariable("byline"), "by");
    EXPECT_EQ(gallery.GetIptcVariable("caption"), "cap");
    EXPECT_EQ(gallery.GetIptcVariable("originaltransmissionreference"), "ref");
    EXPECT_EQ(gallery.GetIptcVariable("keywords"), "boat,harbour, old");
    EXPECT_EQ(gallery.GetIptcVariable("Byline"), "");

    iptc.valid = false;
    EXPECT_EQ(gallery.GetIptcVariable("byline"), "");
    gallery.currentImage = 4;
    EXPECT_EQ(gallery.GetIptcVariable("byline"), "");
}

}  // namespace
