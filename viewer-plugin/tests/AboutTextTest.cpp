#include <gtest/gtest.h>

#include <string>

#include "viewer-plugin/services/AboutText.h"
#include "viewer-plugin/services/PrintLayout.h"

namespace {

TEST(AdvancedText, WritesEachLineAsTheViewerStands) {
    ViewerReport r;
    r.initFailed = true;
    r.initFailure = "Failed to Create DirectX 6 or later";
    r.fileName = "http://host/a.jpg";
    r.hasDisplay = true;
    r.hasDevice = true;
    r.processCount = 2;
    r.computerCount = 3;
    r.windowWidth = 400;
    r.windowHeight = 300;
    r.bitsPerPixel = 32;
    r.formatKnown = true;
    r.formatBits = 32;
    r.redMask = 0xFF0000;
    r.greenMask = 0xFF00;
    r.blueMask = 0xFF;
    r.received = 100;
    r.total = 100;
    r.imageWidth = 20;
    r.imageHeight = 10;
    r.imageDepth = 24;
    r.fps = 60;
    r.posX = 1.5f;
    r.posY = -2;
    r.posZ = 0.25f;
    r.errorLog = "Failed to flip\n";
    EXPECT_EQ(AdvancedText(r),
              "Initializaion failed\r\n  Failed to Create DirectX 6 or later\r\n"
              "Url: http://host/a.jpg\r\n"
              "Server domain: Unknown or Local\r\n"
              "Using DirectX6 or later\r\nUsing software emulation\r\n"
              "2 Running Vantelo object(s) in this process\r\n"
              "3 Running Vantelo object(s) on this computer\r\n"
              "WindowSize is 400,300 at 32 bits\r\n"
              "Format: 32, (00ff0000, 0000ff00, 000000ff)\r\n"
              "Image file Size 100 bytes\r\n"
              "Image dimensions 20 x 10 pixels\r\n"
              "Decompressed size 600 bytes\r\n"
              "Fps 60\r\n"
              "Pos = (1.50, -2.00, 0.25)\r\nFailed to flip\n");
}

TEST(AdvancedText, LargeDownloadsAndPicturesDoNotOverflow) {
    ViewerReport r;
    r.loadError = true;
    r.fileName = "big.jpg";
    r.received = 30'000'000;
    r.total = 40'000'000;
    r.imageWidth = 30000;
    r.imageHeight = 30000;
    r.imageDepth = 32;
    const std::string text = AdvancedText(r);
    EXPECT_NE(text.find("Error loading: big.jpg\r\n"), std::string::npos);
    EXPECT_NE(text.find("Image downloading 30000000/40000000 bytes  75%\r\n"), std::string::npos);
    EXPECT_NE(text.find("Decompressed size 3600000000 bytes\r\n"), std::string::npos);
    EXPECT_EQ(text.find("in this process"), std::string::npos);
}

TEST(AdvancedText, NamesTheOldInterfacePath) {
    ViewerReport r;
    r.hasDisplay = true;
    r.oldInterface = true;
    EXPECT_NE(AdvancedText(r).find("Vantelo runs slow in Dx3\r\n"), std::string::npos);
    r.oldInterfaceForced = true;
    EXPECT_NE(AdvancedText(r).find("TESTING - using dx3\r\n"), std::string::npos);
}

TEST(PrintRect, CentresTheViewAtHalfSizeOnTheSquaredPage) {
    struct Case {
        const char* name;
        PageGeometry page;
        Vector2<int> buffer;
        std::optional<Rect> rect;
    };
    const Case cases[] = {
        // Printable 1000 x 1760 squared to 1000 at (100, 400); a 2:1 view is 1000 x 500.
        {"landscape view", {1200, 1840, 100, 20}, {400, 200}, Rect{350, 775, 850, 1025}},
        // A 1:2 view on the same page is 500 x 1000, centred across.
        {"portrait view", {1200, 1840, 100, 20}, {200, 400}, Rect{475, 650, 725, 1150}},
        // A square view on a landscape page: the page's width is trimmed.
        {"landscape page", {2000, 1000, 0, 0}, {300, 300}, Rect{750, 250, 1250, 750}},
        {"zero view", {1200, 1840, 100, 20}, {0, 0}, std::nullopt},
        {"zero-wide view", {1200, 1840, 100, 20}, {0, 300}, std::nullopt},
        {"page eaten by margins", {200, 1840, 100, 20}, {400, 300}, std::nullopt},
        {"no page", {0, 0, 0, 0}, {400, 300}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<Rect> rect = PrintRect(c.page, c.buffer);
        ASSERT_EQ(rect.has_value(), c.rect.has_value());
        if (rect) {
            EXPECT_EQ(*rect, *c.rect)
                << rect->left << "," << rect->top << "," << rect->right << "," << rect->bottom;
        }
    }
}

}  // namespace
