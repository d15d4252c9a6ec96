#include "studio/projects/PageWriter.h"

#include <gtest/gtest.h>

#include "studio/projects/PageImage.h"

namespace {

PageImage Zoomable(int start, int length) {
    PageImage image;
    image.zoomable = true;
    image.start = start;
    image.length = length;
    image.zoomSource = "big/photo (1).jpg";
    image.zoomWidth = 1600;
    image.zoomHeight = 1200;
    image.pagePicture = "it's.jpg";
    image.pageWidth = 160;
    image.pageHeight = 120;
    return image;
}

TEST(BuildPageText, InsertsTheScriptTagAndReplacesChosenSpans) {
    VantelifyPage page;
    page.text = "<HEAD></HEAD><BODY>a<img src=x.jpg>b<img src=y.jpg>c<img src=z.jpg></BODY>";
    page.headOffset = 6;
    const int x = static_cast<int>(page.text.find("<img src=x"));
    const int z = static_cast<int>(page.text.find("<img src=z"));
    page.images.push_back(Zoomable(x, 15));
    PageImage plain;
    plain.start = static_cast<int>(page.text.find("<img src=y"));
    plain.length = 15;
    page.images.push_back(plain);
    page.images.push_back(Zoomable(z, 15));

    const std::string line =
        "<SCRIPT language=JavaScript>VT0 = new Vantelo('big/photo (1).jpg',1600,1200,"
        "'it%27s.jpg',160,120);</script><noscript><img src='it%27s.jpg' width=160 "
        "height=120></noscript>";
    EXPECT_EQ(BuildPageText(page), "<HEAD><script src='vantelo.js'></script></HEAD><BODY>a" + line +
                                       "b<img src=y.jpg>c" + line + "</BODY>");
}

TEST(BuildPageText, KeepsThePageWhenNothingIsChosen) {
    VantelifyPage page;
    page.text = "<head><script src=vantelo.js></script></head><img src=a.jpg>";
    page.headOffset = VantelifyPage::kScriptPresent;
    PageImage plain;
    plain.start = static_cast<int>(page.text.find("<img"));
    plain.length = 15;
    page.images.push_back(plain);
    EXPECT_EQ(BuildPageText(page), page.text);

    page.headOffset = 6;
    EXPECT_EQ(BuildPageText(page),
              "<head><script src='vantelo.js'></script>" + page.text.substr(6));
}

TEST(BuildPageText, AnEarlierBlockTurnedOffBecomesAPlainPicture) {
    VantelifyPage page;
    page.text = "<head>[block]";
    page.headOffset = VantelifyPage::kScriptPresent;
    PageImage block = Zoomable(6, 7);
    block.plainTag = false;
    block.zoomable = false;
    page.images.push_back(block);
    EXPECT_EQ(BuildPageText(page),
              "<head><img src='big/photo (1).jpg' border='0' width=1600 height=1200>");
}

TEST(BuildPageText, SkipsOverlappingAndOutOfRangeRecords) {
    VantelifyPage page;
    page.text = "<head>0123456789";
    page.headOffset = 99;  // beyond the text: no insert
    page.images.push_back(Zoomable(6, 4));
    page.images.back().zoomable = false;
    page.images.back().plainTag = false;
    page.images.push_back(Zoomable(8, 2));  // overlaps the first
    page.images.push_back(Zoomable(12, 50));
    page.images.push_back(Zoomable(-1, 0));
    page.images.push_back(Zoomable(16, 0));  // empty span at the very end
    const std::string out = BuildPageText(page);
    EXPECT_EQ(out.substr(0, 6), "<head>");
    EXPECT_EQ(out.find("<img src='big/photo (1).jpg' border='0'"), 6u);
    EXPECT_NE(out.find("height=1200>456789<SCRIPT"), std::string::npos);
    EXPECT_EQ(out.find("VT0"), out.rfind("VT0"));
}

}  // namespace
