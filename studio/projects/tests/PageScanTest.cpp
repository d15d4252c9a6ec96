#include "studio/projects/PageScan.h"

#include <gtest/gtest.h>

#include <tuple>

#include "studio/projects/PageDocument.h"
#include "studio/projects/PageText.h"
#include "studio/projects/PageWriter.h"
#include "testing/TempDir.h"

namespace {

using Kind = PageDocument::Kind;

// A true-colour Targa picture of the given size, the one format every build reads.
std::string TargaPicture(int width, int height) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[16] = 24;
    return bytes + std::string(static_cast<std::size_t>(width * height * 3), '\x40');
}

std::string Span(const std::string& text, int start, int length) {
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
}

struct Scan {
    explicit Scan(const std::string& path) {
        images = ScanPageFile(path, text, headOffset, hasBody, foreign);
    }
    std::string SpanOf(std::size_t i) const {
        return Span(text, images[i].start, images[i].length);
    }

    std::string text;
    int headOffset = 12345;
    bool hasBody = false;
    bool foreign = true;
    std::vector<PageImage> images;
};

TEST(PageDocument, ListsElementsInOrderFromThePagesOwnBytes) {
    const std::string page =
        "<html><head><script src=\"lib.js\"></script>"
        "<noscript><img src='h.jpg'></noscript></head><body>\n"
        "<a href=\"big/One.TGA\"><b><img src=\"small/one.tga\" width=10 height=20></b></a>\n"
        "<img SRC=\"../caf\xE9 &amp; co.jpg\" ALT='a &lt;b&gt; &#233;'>"
        "<noscript><img src='b.jpg' width=3 height=4></noscript></body></html>";
    const PageDocument document(page, "/site/");
    const auto& e = document.Elements();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].url, "file:///site/lib.js");
    EXPECT_EQ(e[1].kind, Kind::Anchor);
    EXPECT_EQ(e[2].anchor, 1);
    EXPECT_EQ(Span(page, e[2].start, e[2].length),
              "<img src=\"small/one.tga\" width=10 height=20>");
    // A Latin-1 name survives; references are decoded.
    EXPECT_EQ(e[3].Attribute("alt"), "a <b> \xC3\xA9");
    EXPECT_EQ(e[3].url, "file:///caf\xE9 & co.jpg");
    EXPECT_EQ(e[3].anchor, -1);
}

TEST(PageScan, RoundTripOfAConvertedPicture) {
    testing_support::TempDir dir;
    dir.Write("Small.tga", TargaPicture(40, 30));
    const std::string page =
        dir.Write("page.htm",
                  "<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY>\n"
                  "<A HREF=\"Big%20Photo.TGA\"><IMG SRC=\"Small.tga\" ALT=\"the view\"></A>\n"
                  "</BODY></HTML>\n");
    Scan scan(page);
    EXPECT_TRUE(scan.hasBody && !scan.foreign);
    ASSERT_EQ(scan.images.size(), 1u);
    PageImage& image = scan.images[0];
    EXPECT_EQ(scan.SpanOf(0), "<IMG SRC=\"Small.tga\" ALT=\"the view\">");
    EXPECT_EQ(image.label, "Alt=the view");

    FillPageDefaults(image, dir.path() + "/");
    EXPECT_EQ(image.pictureBytes, 40 * 30 * 3);
    image.zoomable = true;
    image.zoomWidth = 400;
    image.zoomHeight = 300;

    VantelifyPage model{scan.text, scan.headOffset, scan.images};
    const std::string converted = BuildPageText(model);
    const std::string line =
        "<SCRIPT language=JavaScript>VT0 = new Vantelo('Big Photo.TGA',400,300,'Small.tga',40,"
        "30);</script><noscript><img src='Small.tga' width=40 height=30 alt='the view'></noscript>";
    EXPECT_EQ(converted,
              "<HTML><HEAD><script src='vantelo.js'></script><TITLE>t</TITLE></HEAD><BODY>\n"
              "<A HREF=\"Big%20Photo.TGA\">" +
                  line + "</A>\n</BODY></HTML>\n");

    dir.Write("page.htm", converted);
    const Scan again(page);
    EXPECT_EQ(again.headOffset, VantelifyPage::kScriptPresent);
    ASSERT_EQ(again.images.size(), 1u);
    EXPECT_FALSE(again.images[0].plainTag);
    EXPECT_TRUE(again.images[0].zoomable);
    EXPECT_EQ(again.SpanOf(0), line);
    EXPECT_EQ(again.images[0].pagePicture, "Small.tga");
    EXPECT_EQ(again.images[0].pageHeight, 30);

    // Turning the block off again gives a plain picture of the zoom source; nothing else
    // changes and the script is not inserted twice.
    model = {again.text, again.headOffset, again.images};
    model.images[0].zoomable = false;
    EXPECT_EQ(BuildPageText(model),
              "<HTML><HEAD><script src='vantelo.js'></script><TITLE>t</TITLE></HEAD><BODY>\n"
              "<A HREF=\"Big%20Photo.TGA\"><img src='Big Photo.TGA' border='0' width=400 "
              "height=300></A>\n</BODY></HTML>\n");
}

TEST(PageScan, NamesWithQuotesAndPercentSignsRoundTrip) {
    testing_support::TempDir dir;
    const std::string page = dir.Write("p.htm", "<head></head><body><img src=\"x.jpg\"></body>");
    Scan scan(page);
    ASSERT_EQ(scan.images.size(), 1u);
    PageImage& image = scan.images[0];
    image.zoomable = true;
    image.zoomSource = "sub\\it's 100%20.jpg";
    image.pagePicture = "a'b,c)\n<\"x\">.jpg";
    image.pageWidth = 20;
    image.pageHeight = 10;
    VantelifyPage model{scan.text, scan.headOffset, scan.images};
    dir.Write("p.htm", BuildPageText(model));
    const Scan again(page);
    ASSERT_EQ(again.images.size(), 1u);
    EXPECT_EQ(again.images[0].zoomSource, "sub/it's 100%20.jpg");
    EXPECT_EQ(again.images[0].pagePicture, "a'b,c)\n<\"x\">.jpg");
}

// A picture of no known size is not made a viewer; one that is keeps its words for readers
// without scripts, written again as they were, and a '#' or '&' in its name stays a name.
TEST(PageScan, ViewerLinesNeedASizeAndKeepTheAltText) {
    testing_support::TempDir dir;
    const std::string text =
        "<head></head><body><img src=\"a.jpg\" alt=\"Mum's &quot;day&quot; &amp; more\">"
        "<img src=\"b.jpg\"></body>";
    const std::string page = dir.Write("p.htm", text);
    Scan scan(page);
    ASSERT_EQ(scan.images.size(), 2u);
    for (PageImage& image : scan.images) {
        FillPageDefaults(image, dir.path() + "/");
        image.zoomable = true;
    }
    scan.images[0].zoomSource = scan.images[0].pagePicture = "x&copy #1.jpg";
    scan.images[0].pageWidth = 30;
    scan.images[0].pageHeight = 20;
    VantelifyPage model{scan.text, scan.headOffset, scan.images};
    const std::string converted = BuildPageText(model);
    EXPECT_NE(converted.find("new Vantelo('x&copy %231.jpg',0,0,'x&copy %231.jpg',30,20);</script>"
                             "<noscript><img src='x&amp;copy %231.jpg' width=30 height=20 "
                             "alt='Mum&#39;s &quot;day&quot; &amp; more'></noscript>"),
              std::string::npos)
        << converted;
    EXPECT_NE(converted.find("<img src=\"b.jpg\"></body>"), std::string::npos) << converted;

    dir.Write("p.htm", converted);
    const Scan again(page);
    ASSERT_EQ(again.images.size(), 2u);
    EXPECT_FALSE(again.images[0].plainTag);
    EXPECT_EQ(again.images[0].zoomSource, "x&copy #1.jpg");
    EXPECT_TRUE(again.images[0].hasAlt);
    EXPECT_EQ(again.images[0].alt, "Mum's \"day\" & more");
    model = {again.text, again.headOffset, again.images};
    EXPECT_EQ(BuildPageText(model), converted);
}

TEST(PageScan, TheTextScanListsOnlyRealPictureTags) {
    const std::string text =
        "<head lang=en></head><body><img src=a.gif><IMG SRC=\"B.JPG\" alt=\"x > y\">"
        "<!-- <img src=c.jpg> --><script>document.write('<img src=d.jpg>')</script>"
        "<noscript><img src=e.jpg></noscript><textarea><img src=f.jpg></textarea>"
        "<imgx src=g.jpg><img src=h.png /><img src=noquote.jpg";
    int head = 0;
    bool body = false;
    const auto images = ScanPageText(text, head, body);
    EXPECT_EQ(head, VantelifyPage::kNoHead);
    EXPECT_TRUE(body);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].source, "B.JPG");
    EXPECT_EQ(Span(text, images[0].start, images[0].length), "<IMG SRC=\"B.JPG\" alt=\"x > y\">");
    EXPECT_EQ(images[1].source, "h.png");

    ScanPageText("<head><script src=\"js/Vantelo.JS\"></script></head>", head, body);
    EXPECT_EQ(head, VantelifyPage::kScriptPresent);
}

TEST(PageScan, PicturesAreMatchedByPositionOrByAddress) {
    // Equal counts: by position, whatever the addresses look like.
    std::vector<PageImage> text(2), document(2);
    text[0].start = 10;
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

    // Different counts: only by address; a text picture without a partner is dropped.
    text[1].source = "two.jpg";
    document.resize(1);
    document[0].source = "file:///site/Two.jpg";
    document[0].start = 0;
    matched = MatchPageImages(text, document);
    ASSERT_EQ(matched.size(), 1u);
    EXPECT_EQ(matched[0].start, 20);
}

TEST(PageScan, DocumentRecordsCarryLabelsLinksAndSizes) {
    testing_support::TempDir dir;
    dir.Write("sub/Pic.tga", TargaPicture(20, 10));
    const PageDocument document(
        "<body><a href='../Big.JPG'><img src='Pic.tga' name='N' width=5></a>"
        "<a href='page2.htm'><img src='Pic.tga' alt=''></a></body>",
        dir.path() + "/sub/");
    bool foreign = true;
    const auto images = ScanDocument(document, foreign);
    EXPECT_FALSE(foreign);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].label, "N");
    EXPECT_EQ(images[0].linkTarget, "../Big.JPG");
    EXPECT_EQ(images[0].shownHeight, 3);
    EXPECT_EQ(images[1].label, "Src=Pic.tga");
    EXPECT_EQ(images[1].linkTarget, "Pic.tga");
}

TEST(PageScan, AViewerCallTheStudioDidNotWriteIsForeign) {
    testing_support::TempDir dir;
    const std::string line =
        "<SCRIPT language=JavaScript>VT0 = new Vantelo('z.jpg',8,6,'p.jpg',4,3);</script>"
        "<noscript><img src='p.jpg' width=4 height=3></noscript>";
    const Scan scan(dir.Write("p.htm",
                              "<head></head><body><script>v = new Vantelo('o.jpg',1,1,'o.jpg',1,1);"
                              "</script>" +
                                  line + "</body>"));
    EXPECT_TRUE(scan.foreign);
    ASSERT_EQ(scan.images.size(), 1u);
    EXPECT_EQ(scan.images[0].zoomSource, "z.jpg");
    EXPECT_EQ(scan.SpanOf(0), line);
}

TEST(PageText, GetTagAttributeReadsWholeNamesOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"<img src=\"a b.jpg\" width=3>", "a b.jpg"},
        {"<img src='it\"s.jpg'>", "it\"s.jpg"},
        {"<img\nsrc=plain.jpg\nwidth=2>", "plain.jpg"},
        {"<img src = \"spaced.jpg\">", "spaced.jpg"},
        {"<IMG SRC=\"Photo.JPG\">", "Photo.JPG"},
        {"<img src=\"a.jpg>", ""},
        {"<img src=a.jpg", ""},
        {"<img src>", ""},
        {"<img lowsrc='low.jpg' data-src=d.jpg>", ""},
        {"<img lowsrc='low.jpg' src='real.jpg'>", "real.jpg"},
        {"<img alt='src=fake.jpg' src=real.jpg>", "real.jpg"},
    };
    for (const auto& [tag, value] : cases) EXPECT_EQ(GetTagAttribute(tag, "src"), value) << tag;

    const std::string text = "<img alt=\"a > b\" src='x>y.jpg'> tail>";
    EXPECT_EQ(FindTagEnd(text, 0), text.find("> tail"));
    // An unclosed quote falls back to the first bracket; none at all gives npos.
    EXPECT_EQ(FindTagEnd("<img alt=\"open> more", 0), 14u);
    EXPECT_EQ(FindTagEnd("<img src=a.jpg", 0), std::string::npos);
}

TEST(PageText, IsSameUrlMatchesTheWaysOneAddressIsWritten) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"a&amp;b.jpg", "a&b.jpg", true},
        {"http://host/pics/a.jpg", "file:///pics/a.jpg", true},
        {"file:///home/u/site/pics/a.jpg", "a.jpg", true},
        {"pics\\a.jpg", "/site/pics/a.jpg", true},
        {"./a.jpg", "a.jpg", true},
        {"a.jpg", "a.jpg.png", false},
        {"a.jpg.png", "a.jpg", false},
        {"b.jpg", "file:///site/ab.jpg", false},
        {"", "a.jpg", false},
    };
    for (const auto& [a, b, same] : cases) EXPECT_EQ(IsSameUrl(a, b), same) << a << " " << b;
}

TEST(PageText, ViewerLineNamesAndArguments) {
    EXPECT_EQ(EncodePageUrl("100%'s <best>.jpg"), "100%25%27s %3Cbest%3E.jpg");
    EXPECT_EQ(EncodePageUrl("sub\\x.jpg"), "sub/x.jpg");
    EXPECT_EQ(DecodePageUrl("50%%zz%4%41"), "50%%zz%4A");

    PageImage image;
    ReadViewerArguments("'photo (1).jpg',800, 600 ,'it%27s, small.jpg',200,150);</script>", image);
    EXPECT_EQ(image.zoomSource, "photo (1).jpg");
    EXPECT_EQ(image.zoomHeight, 600);
    EXPECT_EQ(image.pagePicture, "it's, small.jpg");
    EXPECT_EQ(image.pageHeight, 150);
    // Missing arguments are empty or 0, numbers outside an int 0.
    ReadViewerArguments("\"big.jpg\",99999999999999)", image);
    EXPECT_EQ(image.zoomSource, "big.jpg");
    EXPECT_EQ(image.zoomWidth, 0);
    EXPECT_EQ(image.pagePicture, "");
    EXPECT_EQ(image.pageHeight, 0);
    ReadViewerArguments("'never closed,1,2", image);
    EXPECT_EQ(image.zoomSource, "");
}

}  // namespace
