#include "studio/projects/PageText.h"

#include <gtest/gtest.h>

#include "studio/projects/PageImage.h"

namespace {

TEST(GetTagAttribute, ReadsQuotedAndBareValues) {
    EXPECT_EQ(GetTagAttribute("<img src=\"a b.jpg\" width=3>", "src"), "a b.jpg");
    EXPECT_EQ(GetTagAttribute("<img src='it\"s.jpg'>", "src"), "it\"s.jpg");
    EXPECT_EQ(GetTagAttribute("<img src=plain.jpg width=3>", "src"), "plain.jpg");
    EXPECT_EQ(GetTagAttribute("<img src=last.jpg>", "src"), "last.jpg");
    EXPECT_EQ(GetTagAttribute("<img\nsrc=a.jpg\nwidth=2>", "src"), "a.jpg");
    EXPECT_EQ(GetTagAttribute("<img src = \"spaced.jpg\">", "src"), "spaced.jpg");
    // The name is found in any case and the value keeps its own.
    EXPECT_EQ(GetTagAttribute("<IMG SRC=\"Photo.JPG\">", "src"), "Photo.JPG");
}

TEST(GetTagAttribute, MissingNamesAndUnclosedValuesGiveNothing) {
    EXPECT_EQ(GetTagAttribute("<img src=\"a.jpg>", "src"), "");
    EXPECT_EQ(GetTagAttribute("<img src='a.jpg", "src"), "");
    EXPECT_EQ(GetTagAttribute("<img src=a.jpg", "src"), "");
    EXPECT_EQ(GetTagAttribute("<img alt=x>", "src"), "");
    EXPECT_EQ(GetTagAttribute("<img src>", "src"), "");
    // Only whole names count.
    EXPECT_EQ(GetTagAttribute("<img lowsrc='low.jpg' data-src=d.jpg>", "src"), "");
    EXPECT_EQ(GetTagAttribute("<img lowsrc='low.jpg' src='real.jpg'>", "src"), "real.jpg");
    EXPECT_EQ(GetTagAttribute("<img alt='src=fake.jpg' src=real.jpg>", "src"), "real.jpg");
}

TEST(FindTagEnd, SkipsBracketsInsideQuotedValues) {
    const std::string text = "<img alt=\"a > b\" src='x>y.jpg'> tail>";
    EXPECT_EQ(FindTagEnd(text, 0), text.find("> tail"));
    EXPECT_EQ(FindTagEnd("<img src=a.jpg>", 0), 14u);
    // An unclosed quote falls back to the first bracket; none at all gives npos.
    EXPECT_EQ(FindTagEnd("<img alt=\"open> more", 0), 14u);
    EXPECT_EQ(FindTagEnd("<img src=a.jpg", 0), std::string::npos);
}

TEST(IsSameUrl, MatchesTheWaysOneAddressIsWritten) {
    EXPECT_TRUE(IsSameUrl("a.jpg", "a.jpg"));
    EXPECT_TRUE(IsSameUrl("a&amp;b.jpg", "a&b.jpg"));
    EXPECT_TRUE(IsSameUrl("http://host/pics/a.jpg", "file:///pics/a.jpg"));
    EXPECT_TRUE(IsSameUrl("file:///home/u/site/pics/a.jpg", "a.jpg"));
    EXPECT_TRUE(IsSameUrl("a.jpg", "file:///home/u/site/a.jpg"));
    EXPECT_TRUE(IsSameUrl("pics\\a.jpg", "/site/pics/a.jpg"));
    EXPECT_TRUE(IsSameUrl("./a.jpg", "a.jpg"));

    // A name is not the same as a longer name that starts with it.
    EXPECT_FALSE(IsSameUrl("a.jpg", "a.jpg.png"));
    EXPECT_FALSE(IsSameUrl("a.jpg.png", "a.jpg"));
    // Nor as a name that merely ends with it.
    EXPECT_FALSE(IsSameUrl("b.jpg", "file:///site/ab.jpg"));
    EXPECT_FALSE(IsSameUrl("a.jpg", "b.jpg"));
    EXPECT_FALSE(IsSameUrl("", "a.jpg"));
}

TEST(PageUrl, EveryNameRoundTrips) {
    EXPECT_EQ(EncodePageUrl("100%'s <best>.jpg"), "100%25%27s %3Cbest%3E.jpg");
    EXPECT_EQ(EncodePageUrl("sub\\x.jpg"), "sub/x.jpg");
    for (const std::string name : {"photo (1).jpg", "it's.jpg", "100%.jpg", "a%20b.jpg",
                                   "\"quoted\".png", "sub/dir/x.tga", "line\nbreak.jpg"}) {
        EXPECT_EQ(DecodePageUrl(EncodePageUrl(name)), name) << name;
    }
    // Stray or short escapes stay as written.
    EXPECT_EQ(DecodePageUrl("50%"), "50%");
    EXPECT_EQ(DecodePageUrl("%zz%4"), "%zz%4");
    EXPECT_EQ(DecodePageUrl("%41%62"), "Ab");
}

TEST(ReadViewerArguments, ReadsQuotedArgumentsAndFillsMissingOnes) {
    PageImage image;
    ReadViewerArguments("'photo (1).jpg',800, 600 ,'it%27s, small.jpg',200,150);</script>", image);
    EXPECT_EQ(image.zoomSource, "photo (1).jpg");
    EXPECT_EQ(image.zoomWidth, 800);
    EXPECT_EQ(image.zoomHeight, 600);
    EXPECT_EQ(image.pagePicture, "it's, small.jpg");
    EXPECT_EQ(image.pageWidth, 200);
    EXPECT_EQ(image.pageHeight, 150);

    PageImage shortLine;
    shortLine.pagePicture = "stale";
    shortLine.pageWidth = 9;
    ReadViewerArguments("\"big.jpg\",10)", shortLine);
    EXPECT_EQ(shortLine.zoomSource, "big.jpg");
    EXPECT_EQ(shortLine.zoomWidth, 10);
    EXPECT_EQ(shortLine.zoomHeight, 0);
    EXPECT_EQ(shortLine.pagePicture, "");
    EXPECT_EQ(shortLine.pageWidth, 0);

    PageImage broken;
    ReadViewerArguments("'never closed,1,2", broken);
    EXPECT_EQ(broken.zoomSource, "");
    ReadViewerArguments("", broken);
    ReadViewerArguments("'a.jpg',99999999999999,x", broken);
    EXPECT_EQ(broken.zoomWidth, 0);
}

}  // namespace
