#include "studio/projects/PageScan.h"

#include <gtest/gtest.h>

#include "studio/projects/PageDocument.h"
#include "studio/projects/PageWriter.h"
#include "studio/projects/tests/PageTestFiles.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

struct Scan {
    std::string text;
    int headOffset = 12345;
    bool hasBody = false;
    bool foreign = true;
    std::vector<PageImage> images;
};

Scan ScanFile(const std::string& path) {
    Scan scan;
    scan.images = ScanPageFile(path, scan.text, scan.headOffset, scan.hasBody, scan.foreign);
    return scan;
}

std::string SpanOf(const Scan& scan, std::size_t i) {
    return scan.text.substr(static_cast<std::size_t>(scan.images[i].start),
                            static_cast<std::size_t>(scan.images[i].length));
}

TEST(PageScan, RoundTripOfAConvertedPicture) {
    testing_support::TempDir dir;
    dir.Write("Small.tga", TargaPicture(40, 30));
    dir.Write("Big Photo.TGA", TargaPicture(400, 300));
    const std::string page =
        dir.Write("page.htm",
                  "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY>\n"
                  "<A HREF=\"Big%20Photo.TGA\"><IMG SRC=\"Small.tga\" ALT=\"the view\"></A>\n"
                  "</BODY></HTML>\n");
    Scan scan = ScanFile(page);
    EXPECT_EQ(scan.headOffset, 12);
    EXPECT_TRUE(scan.hasBody);
    EXPECT_FALSE(scan.foreign);
    ASSERT_EQ(scan.images.size(), 1u);
    PageImage& image = scan.images[0];
    EXPECT_EQ(SpanOf(scan, 0), "<IMG SRC=\"Small.tga\" ALT=\"the view\">");
    EXPECT_EQ(image.label, "Alt=the view");
    EXPECT_EQ(image.source, "Small.tga");
    EXPECT_EQ(image.linkTarget, "Big Photo.TGA");

    FillPageDefaults(image, dir.path() + "/");
    EXPECT_EQ(image.zoomSource, "Big Photo.TGA");
    EXPECT_EQ(image.pagePicture, "Small.tga");
    EXPECT_EQ(image.pageWidth, 40);
    EXPECT_EQ(image.zoomHeight, 30);
    EXPECT_EQ(image.pictureWidth, 40);
    EXPECT_EQ(image.pictureBytes, 40 * 30 * 3);
    image.zoomable = true;
    image.zoomWidth = 400;
    image.zoomHeight = 300;

    VantelifyPage model{scan.text, scan.headOffset, scan.images};
    const std::string converted = BuildPageText(model);
    const std::string line =
        "<SCRIPT language=JavaScript>VT0 = new Vantelo('Big Photo.TGA',400,300,'Small.tga',40,"
        "30);</script><noscript><img src='Small.tga' width=40 height=30></noscript>";
    EXPECT_EQ(converted,
              "<HTML><HEAD><script src='vantelo.js'></script><TITLE>t</TITLE></HEAD><BODY>\n"
              "<A HREF=\"Big%20Photo.TGA\">" +
                  line + "</A>\n</BODY></HTML>\n");

    dir.Write("page.htm", converted);
    const Scan again = ScanFile(page);
    EXPECT_EQ(again.headOffset, VantelifyPage::kScriptPresent);
    EXPECT_FALSE(again.foreign);
    ASSERT_EQ(again.images.size(), 1u);
    const PageImage& block = again.images[0];
    EXPECT_FALSE(block.plainTag);
    EXPECT_TRUE(block.zoomable);
    EXPECT_EQ(SpanOf(again, 0), line);
    EXPECT_EQ(block.label, "Big Photo.TGA");
    EXPECT_EQ(block.zoomSource, "Big Photo.TGA");
    EXPECT_EQ(block.zoomWidth, 400);
    EXPECT_EQ(block.zoomHeight, 300);
    EXPECT_EQ(block.pagePicture, "Small.tga");
    EXPECT_EQ(block.pageWidth, 40);
    EXPECT_EQ(block.pageHeight, 30);

    // Turning the block off again gives a plain picture of the zoom source.
    model = {again.text, again.headOffset, again.images};
    model.images[0].zoomable = false;
    EXPECT_NE(BuildPageText(model).find("<A HREF=\"Big%20Photo.TGA\"><img src='Big Photo.TGA' "
                                        "border='0' width=400 height=300></A>"),
              std::string::npos);
}

TEST(PageScan, NamesWithQuotesAndPercentSignsRoundTrip) {
    testing_support::TempDir dir;
    const std::string page = dir.Write("p.htm", "<head></head><body><img src=\"x.jpg\"></body>");
    Scan scan = ScanFile(page);
    ASSERT_EQ(scan.images.size(), 1u);
    PageImage& image = scan.images[0];
    image.zoomable = true;
    image.zoomSource = "sub\\it's 100%.jpg";
    image.pagePicture = "a'b,c).jpg";
    VantelifyPage model{scan.text, scan.headOffset, scan.images};
    dir.Write("p.htm", BuildPageText(model));
    const Scan again = ScanFile(page);
    ASSERT_EQ(again.images.size(), 1u);
    EXPECT_EQ(again.images[0].zoomSource, "sub/it's 100%.jpg");
    EXPECT_EQ(again.images[0].pagePicture, "a'b,c).jpg");
}

TEST(PageScan, TheHeadOffset) {
    int head = 0;
    bool body = false;
    ScanPageText("<head lang=en></head><body>", head, body);
    EXPECT_EQ(head, VantelifyPage::kNoHead);
    EXPECT_TRUE(body);
    ScanPageText("<html><Head></head>", head, body);
    EXPECT_EQ(head, 12);
    EXPECT_FALSE(body);
    ScanPageText("<head><script src=\"js/Vantelo.JS\"></script></head>", head, body);
    EXPECT_EQ(head, VantelifyPage::kScriptPresent);
}

TEST(PageScan, TheTextScanListsOnlyRealPictureTags) {
    const std::string text =
        "<body><img src=a.gif><IMG SRC=\"B.JPG\" alt=\"x > y\">"
        "<!-- <img src=c.jpg> --><script>document.write('<img src=d.jpg>')</script>"
        "<noscript><img src=e.jpg></noscript><textarea><img src=f.jpg></textarea>"
        "<imgx src=g.jpg><img src=h.png /><img src=noquote.jpg";
    int head = 0;
    bool body = false;
    const auto images = ScanPageText(text, head, body);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].source, "B.JPG");
    EXPECT_EQ(text.substr(static_cast<std::size_t>(images[0].start),
                          static_cast<std::size_t>(images[0].length)),
              "<IMG SRC=\"B.JPG\" alt=\"x > y\">");
    EXPECT_EQ(images[1].source, "h.png");
}

TEST(PageScan, PicturesAreMatchedByPositionOrByAddress) {
    // Equal counts: by position, whatever the addresses look like.
    std::vector<PageImage> text(2), document(2);
    text[0].source = "one.jpg";
    text[0].start = 10;
    text[1].source = "two.jpg";
    text[1].start = 20;
    document[0].source = "ONE-differently.jpg";
    document[1].source = "two-differently.jpg";
    auto matched = MatchPageImages(text, document);
    ASSERT_EQ(matched.size(), 2u);
    EXPECT_EQ(matched[0].source, "ONE-differently.jpg");
    EXPECT_EQ(matched[0].start, 10);

    // A document record that starts where a text record starts is that record.
    document[0].start = 20;
    document[1].start = 10;
    matched = MatchPageImages(text, document);
    ASSERT_EQ(matched.size(), 2u);
    EXPECT_EQ(matched[0].source, "two-differently.jpg");
    EXPECT_EQ(matched[0].start, 10);

    // Different counts: only by address; a text picture without a partner is dropped.
    document.resize(1);
    document[0].source = "file:///site/Two.jpg";
    document[0].start = 0;
    PageImage block;
    block.plainTag = false;
    block.start = 5;
    text.insert(text.begin(), block);
    matched = MatchPageImages(text, document);
    ASSERT_EQ(matched.size(), 1u);
    EXPECT_EQ(matched[0].source, "file:///site/Two.jpg");
    EXPECT_EQ(matched[0].start, 20);
}

TEST(PageScan, DocumentRecordsCarryLabelsLinksAndSizes) {
    testing_support::TempDir dir;
    dir.Write("sub/Pic.tga", TargaPicture(20, 10));
    const std::string folder = dir.path() + "/sub/";
    const PageDocument document(
        "<body><a href='../Big.JPG'><img src='Pic.tga' name='N' width=5></a>"
        "<a href='page2.htm'><img src='Pic.tga' alt=''></a>"
        "<img src='a.gif'><img src='http://host/x.jpg'></body>",
        folder);
    bool foreign = true;
    const auto images = ScanDocument(document, foreign);
    EXPECT_FALSE(foreign);
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0].label, "N");
    EXPECT_EQ(images[0].source, "Pic.tga");
    EXPECT_EQ(images[0].linkTarget, "../Big.JPG");
    EXPECT_EQ(images[0].shownWidth, 5);
    EXPECT_EQ(images[0].shownHeight, 3);
    EXPECT_EQ(images[1].label, "Src=Pic.tga");
    EXPECT_EQ(images[1].linkTarget, "Pic.tga");
    EXPECT_EQ(images[1].shownWidth, 20);
    EXPECT_EQ(images[2].source, "http://host/x.jpg");
}

TEST(PageScan, AViewerCallTheStudioDidNotWriteIsForeign) {
    testing_support::TempDir dir;
    const std::string line =
        "<SCRIPT language=JavaScript>VT0 = new Vantelo('z.jpg',8,6,'p.jpg',4,3);</script>"
        "<noscript><img src='p.jpg' width=4 height=3></noscript>";
    const std::string page =
        dir.Write("p.htm",
                  "<head></head><body><script>v = new Vantelo('other.jpg',1,1,'o.jpg',1,1);"
                  "</script>" +
                      line +
                      "<script type=\"text/javascript\">new Vantelo(</script>"
                      "</body>");
    const Scan scan = ScanFile(page);
    EXPECT_TRUE(scan.foreign);
    ASSERT_EQ(scan.images.size(), 1u);
    EXPECT_EQ(scan.images[0].zoomSource, "z.jpg");
    EXPECT_EQ(SpanOf(scan, 0), line);
}

TEST(PageScan, UnreadableFilesLeaveTheOutValuesAlone) {
    testing_support::TempDir dir;
    testing_support::DebugCapture capture;
    Scan scan = ScanFile(dir.Path("missing.htm"));
    EXPECT_TRUE(scan.images.empty());
    EXPECT_EQ(scan.headOffset, 12345);
    EXPECT_TRUE(scan.foreign);
    EXPECT_TRUE(capture.lines().empty());

    scan = ScanFile(dir.Write("empty.htm", ""));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Failed to create file mapping\n"});
    EXPECT_EQ(scan.headOffset, 12345);
}

}  // namespace
