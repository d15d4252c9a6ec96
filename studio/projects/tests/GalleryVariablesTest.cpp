#include <gtest/gtest.h>

#include "studio/projects/Gallery.h"
#include "testing/CommaLocale.h"
#include "studio/projects/tests/GalleryTesting.h"

namespace {

using gallery_testing::GalleryEnvironment;
using gallery_testing::OpenGallery;

GalleryImage Image(const std::string& name, int width, int height, std::int64_t size) {
    GalleryImage image;
    image.fileName = name;
    image.width = width;
    image.height = height;
    image.fileSize = size;
    return image;
}

// Three images, the second one current, on page 2 of 3 with two images a page.
struct KnownGallery {
    explicit KnownGallery(Properties& properties) : gallery(properties) {
        properties.SetThumbSize({60, 40});
        properties.SetThumbColor(0x0000FF);  // red, as a Windows colour value
        properties.SetBgColor(0xFF0000);     // blue
        properties.SetBorderColor(0);
        properties.SetBorderSize({2, 3});
        properties.SetLock(26);
        properties.SetMinZoom(0.25f);
        properties.SetMaxZoom(12.5f);
        properties.SetPosX(1.5f);
        properties.SetPosY(-0.125f);
        properties.SetPosZ(2.0f);
        gallery.images.push_back(Image("a.jpg", 640, 480, 1000));
        gallery.images.push_back(Image("my.photo.tga", 33, 22, 0));
        gallery.images.push_back(Image("noext", 1, 2, 3));
        gallery.images[1].points.push_back({"p", {0.5f, -1.25f, 2.0f}, {320, 200}});
        gallery.images[1].points.push_back({"q", {1.0f, 2.0f, 3.0f}, {320, 200}});
        gallery.currentImage = 2;
        gallery.currentPage = 2;
        gallery.pageTotal = 3;
        gallery.imagesPerPage = 2;
        gallery.SetTitle("My gallery");
        gallery.SetWindowWidth(400);
    }

    std::string Print(const std::string& word, const std::string& arguments = "") {
        std::string text = "unset";
        EXPECT_TRUE(gallery.GetBuiltInVariable(word, arguments, text)) << word;
        return text;
    }

    OpenGallery gallery;
};

TEST(GalleryVariables, EveryBuiltInNamePrintsItsValue) {
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
        {"thumbpageurl", "", "index2.htm"},
        {"allpoints", "", "[0.500000,-1.250000,2.000000],[1.000000,2.000000,3.000000]"},
        {"allpoints", " 1", ""},
        {"allimages", "", "\"a.jpg\",\"my.photo.tga\",\"noext\""},
        {"allthumbs", "", "\"tmb_a.jpg\",\"tmb_my.photo.jpg\",\"tmb_noext\""},
        {"imageurl", "", "my.photo.tga"},
        {"imageurl", " 1", "a.jpg"},
        {"imageurl", "\n\t3 trailing", "noext"},
        {"imageurl", " 4", ""},
        {"imageurl", " 0", ""},
        {"imageurl", " -1", ""},
        {"imageurl", " x", "my.photo.tga"},
        {"imagename", "", "my.photo"},
        {"imagename", " 3", "noext"},
        {"imagewidth", " 1", "640"},
        {"imageheight", "", "22"},
        {"imageheight", " 9", ""},
        {"imageindex", " 1", "2"},
        {"imagetotal", "", "3"},
        {"imagefilesize", " 1", "1000"},
        {"imagefilesizekilo", " 1", "1.5"},
        {"imagefilesizekilo", "", "0.5"},
        {"thumbmaxwidth", "", "60"},
        {"thumbmaxheight", "", "40"},
        {"thumbfillcolor", "", "ff0000"},
        {"nextimageurl", "", "noext"},
        {"previmageurl", "", "a.jpg"},
        {"nextimagepageurl", "", "index2_3.htm"},
        {"previmagepageurl", "", "index1_1.htm"},
        {"nextpage", "", "index3.htm"},
        {"prevpage", "", "index1.htm"},
        {"pagenumber", "", "2"},
        {"pagetotal", "", "3"},
        {"vantelomaxzoom", "", "12.500000"},
        {"vantelominzoom", "", "0.250000"},
        {"vantelobgcolor", "", "ff"},
        {"vantelobordercolor", "", "0"},
        {"vanteloborderwidth", "", "2"},
        {"vanteloborderheight", "", "3"},
        {"vantelolock", "", "1a"},
        {"vantelofit", "", "130"},
        {"vanteloposX", "", "1.500"},
        {"vanteloposY", "", "-0.125"},
        {"vanteloposZ", "", "2.000"},
        {"vantelowidth", "", "400"},
        {"vanteloheight", "", "200"},
        {"title", " 1", "My gallery"},
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
    EXPECT_EQ(known.Print("previmageurl"), "my.photo.tga");
    known.gallery.currentImage = 1;
    EXPECT_EQ(known.Print("previmageurl"), "noext");
    EXPECT_EQ(known.Print("previmagepageurl"), "index2_3.htm");
    EXPECT_EQ(known.Print("prevpage"), "index1.htm");
    // Past the list (after "nextimage" stepped out) and below it.
    known.gallery.currentImage = 0;
    EXPECT_EQ(known.Print("imageurl"), "");
    EXPECT_EQ(known.Print("previmageurl"), "noext");
    known.gallery.currentImage = 9;
    EXPECT_EQ(known.Print("nextimageurl"), "a.jpg");
    EXPECT_EQ(known.Print("previmageurl"), "");
    // Before the index template was counted every image gets a page of its own.
    known.gallery.imagesPerPage = 0;
    known.gallery.currentImage = 1;
    EXPECT_EQ(known.Print("nextimagepageurl"), "index2_2.htm");
    EXPECT_EQ(known.gallery.GetImagePageName(3), "index3_3.htm");
    // An empty gallery names no image at all.
    known.gallery.images.clear();
    EXPECT_EQ(known.Print("nextimageurl"), "");
    EXPECT_EQ(known.Print("allimages"), "");
    EXPECT_EQ(known.Print("imagetotal"), "0");
}

TEST(GalleryVariables, IptcFieldsOfTheCurrentImage) {
    GalleryEnvironment env;
    KnownGallery known(env.properties());
    OpenGallery& gallery = known.gallery;
    IPTCData& iptc = gallery.images[1].iptc;
    iptc.Clear();
    struct Field {
        const char* name;
        std::string IPTCData::*member;
    };
    const Field fields[] = {
        {"byline", &IPTCData::byline},
        {"bylinetitle", &IPTCData::bylineTitle},
        {"credits", &IPTCData::credits},
        {"source", &IPTCData::source},
        {"objectname", &IPTCData::objectName},
        {"datecreated", &IPTCData::dateCreated},
        {"city", &IPTCData::city},
        {"state", &IPTCData::state},
        {"country", &IPTCData::country},
        {"originaltransmissionreference", &IPTCData::originalTransmissionReference},
        {"copyrightnotice", &IPTCData::copyrightNotice},
        {"caption", &IPTCData::caption},
        {"captionwriter", &IPTCData::captionWriter},
        {"headline", &IPTCData::headline},
        {"specialinstructions", &IPTCData::specialInstructions},
        {"category", &IPTCData::category},
        {"urgency", &IPTCData::urgency},
        {"timecreated", &IPTCData::timeCreated},
        {"originprogram", &IPTCData::originProgram},
        {"originprogramversion", &IPTCData::originProgramVersion},
    };
    // Each field holds a text of its own, so a field read from the wrong member shows.
    for (const Field& field : fields) iptc.*field.member = std::string("text of ") + field.name;
    iptc.supplementalCategories = {"sea", "sky"};
    iptc.keywords = {"boat", "harbour, old", "dawn"};
    for (const Field& field : fields) {
        EXPECT_EQ(gallery.GetIptcVariable(field.name), std::string("text of ") + field.name);
    }
    EXPECT_EQ(gallery.GetIptcVariable("supplementalcategories"), "sea,sky");
    EXPECT_EQ(gallery.GetIptcVariable("keywords"), "boat,harbour, old,dawn");
    EXPECT_EQ(gallery.GetIptcVariable("Byline"), "");
    EXPECT_EQ(gallery.GetIptcVariable("unknown"), "");

    iptc.valid = false;
    EXPECT_EQ(gallery.GetIptcVariable("byline"), "");
    iptc.valid = true;
    gallery.currentImage = 1;  // a record that was never read
    EXPECT_EQ(gallery.GetIptcVariable("byline"), "");
    gallery.currentImage = 4;
    EXPECT_EQ(gallery.GetIptcVariable("byline"), "");
}

}  // namespace
