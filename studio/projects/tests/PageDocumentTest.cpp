#include "studio/projects/PageDocument.h"

#include <gtest/gtest.h>

#include "studio/projects/tests/PageTestFiles.h"
#include "testing/TempDir.h"

namespace {

using Kind = PageDocument::Kind;

TEST(PageDocument, ListsElementsInOrderWithSpansAndEnclosingAnchors) {
    const std::string page =
        "<html><head><script src=\"lib.js\"></script></head><body>\n"
        "<a href=\"big/One.TGA\"><b><img src=\"small/one.tga\" width=10 height=20></b></a>\n"
        "<object classid=\"clsid:X\" data=\"v.bin\"></object>\n"
        "<img src='../up.tga' width=1 height=1>"
        "</body></html>";
    const PageDocument document(page, "/site/");
    const auto& elements = document.Elements();
    ASSERT_EQ(elements.size(), 5u);
    EXPECT_EQ(elements[0].kind, Kind::Script);
    EXPECT_EQ(elements[0].url, "file:///site/lib.js");
    EXPECT_EQ(elements[1].kind, Kind::Anchor);
    EXPECT_EQ(elements[1].url, "file:///site/big/One.TGA");
    EXPECT_EQ(page.substr(static_cast<std::size_t>(elements[1].start),
                          static_cast<std::size_t>(elements[1].length)),
              "<a href=\"big/One.TGA\"><b><img src=\"small/one.tga\" width=10 height=20></b></a>");

    const auto& image = elements[2];
    EXPECT_EQ(image.kind, Kind::Image);
    EXPECT_EQ(image.anchor, 1);
    EXPECT_EQ(image.url, "file:///site/small/one.tga");
    EXPECT_EQ(
        page.substr(static_cast<std::size_t>(image.start), static_cast<std::size_t>(image.length)),
        "<img src=\"small/one.tga\" width=10 height=20>");
    EXPECT_EQ(image.shownWidth, 10);
    EXPECT_EQ(image.shownHeight, 20);

    EXPECT_EQ(elements[3].kind, Kind::Object);
    EXPECT_EQ(elements[3].Attribute("classid"), "clsid:X");
    EXPECT_EQ(elements[4].url, "file:///up.tga");
    EXPECT_EQ(elements[4].anchor, -1);
}

TEST(PageDocument, TakesValuesFromThePagesOwnBytes) {
    // A Latin-1 name (invalid as UTF-8) must survive; references are decoded.
    const std::string page =
        "<body><img SRC=\"caf\xE9 &amp; co.jpg\" ALT='a &lt;b&gt; &#233;&#x41;' name=N></body>";
    const PageDocument document(page, "/s/");
    ASSERT_EQ(document.Elements().size(), 1u);
    const auto& image = document.Elements()[0];
    EXPECT_EQ(image.Attribute("src"), "caf\xE9 & co.jpg");
    EXPECT_EQ(image.Attribute("alt"),
              "a <b> \xC3\xA9"
              "A");
    EXPECT_EQ(image.Attribute("name"), "N");
    EXPECT_TRUE(image.Has("alt"));
    EXPECT_FALSE(image.Has("width"));
    EXPECT_EQ(image.url, "file:///s/caf\xE9 & co.jpg");
}

TEST(PageDocument, SkipsNoscriptContentAndKeepsScriptText) {
    const std::string page =
        "<head><noscript><img src='h.jpg'></noscript></head><body>"
        "<SCRIPT language=JavaScript>VT0 = new Vantelo('a.jpg',1,2,'b.jpg',3,4);</script>"
        "<noscript><img src='b.jpg' width=3 height=4></noscript><p>"
        "<svg><a href='x.jpg'><script>svg()</script></a></svg></body>";
    const PageDocument document(page, "/s/");
    const auto& elements = document.Elements();
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].kind, Kind::Script);
    EXPECT_EQ(elements[0].Attribute("language"), "JavaScript");
    EXPECT_EQ(elements[0].text, "VT0 = new Vantelo('a.jpg',1,2,'b.jpg',3,4);");
    EXPECT_EQ(page.substr(static_cast<std::size_t>(elements[0].start),
                          static_cast<std::size_t>(elements[0].length)),
              "<SCRIPT language=JavaScript>VT0 = new Vantelo('a.jpg',1,2,'b.jpg',3,4);</script>");
}

TEST(PageDocument, ResolvesAddressesAsABrowserDoes) {
    const PageDocument document("", "/home/u/site/");
    EXPECT_EQ(document.FolderUrl(), "file:///home/u/site/");
    EXPECT_EQ(document.Resolve("a.jpg"), "file:///home/u/site/a.jpg");
    EXPECT_EQ(document.Resolve("  sub\\b.jpg "), "file:///home/u/site/sub/b.jpg");
    EXPECT_EQ(document.Resolve("./x/../../c.jpg?v=1"), "file:///home/u/c.jpg?v=1");
    EXPECT_EQ(document.Resolve("../../../../d.jpg"), "file:///d.jpg");
    EXPECT_EQ(document.Resolve("/abs/e.jpg"), "file:///abs/e.jpg");
    EXPECT_EQ(document.Resolve("http://host/f.jpg"), "http://host/f.jpg");
    EXPECT_EQ(document.Resolve(""), "");
}

TEST(PageDocument, ShownSizeFallsBackOnThePicturesOwnSize) {
    testing_support::TempDir dir;
    dir.Write("p.tga", TargaPicture(40, 30));
    dir.Write("my pic.tga", TargaPicture(40, 30));
    const std::string page =
        "<body><img src=p.tga><img src=p.tga width=20><img src=p.tga height=60>"
        "<img src='my%20pic.tga' width=0><img src=missing.tga width=7>"
        "<img src=p.tga width=50% height=abc></body>";
    const PageDocument document(page, dir.path() + "/");
    const auto& e = document.Elements();
    ASSERT_EQ(e.size(), 6u);
    EXPECT_EQ(std::make_pair(e[0].shownWidth, e[0].shownHeight), std::make_pair(40, 30));
    EXPECT_EQ(std::make_pair(e[1].shownWidth, e[1].shownHeight), std::make_pair(20, 15));
    EXPECT_EQ(std::make_pair(e[2].shownWidth, e[2].shownHeight), std::make_pair(80, 60));
    EXPECT_EQ(std::make_pair(e[3].shownWidth, e[3].shownHeight), std::make_pair(40, 30));
    EXPECT_EQ(std::make_pair(e[4].shownWidth, e[4].shownHeight), std::make_pair(7, 0));
    EXPECT_EQ(std::make_pair(e[5].shownWidth, e[5].shownHeight), std::make_pair(50, 38));
}

}  // namespace
