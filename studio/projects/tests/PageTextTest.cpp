#include "studio/projects/PageText.h"

#include <gtest/gtest.h>

#include <tuple>

#include "studio/projects/PageImage.h"

namespace {

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

TEST(PageText, NamesInViewerLinesRoundTrip) {
    EXPECT_EQ(EncodePageUrl("100%'s <best>.jpg"), "100%25%27s %3Cbest%3E.jpg");
    EXPECT_EQ(EncodePageUrl("sub\\x.jpg"), "sub/x.jpg");
    for (const std::string name :
         {"photo (1).jpg", "a%20b.jpg", "\"quoted\".png", "line\nbreak.jpg"}) {
        EXPECT_EQ(DecodePageUrl(EncodePageUrl(name)), name) << name;
    }
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
