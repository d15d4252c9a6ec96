// The viewer pane over the built viewer control, registered in the test program's own
// registry.
#include <gtest/gtest.h>

#include <QImage>

#include <vector>

#include "imaging/tests/JpegFixtures.h"
#include "platform/window/tests/WindowTestSupport.h"
#include "studio/shell/viewer/SiteViewerControl.h"
#include "studio/shell/viewer/Vantelo.h"
#include "studio/shell/viewer/VanteloView.h"
#include "testing/QtTestApp.h"
#include "testing/StudioEnvironment.h"
#include "testing/TempDir.h"

namespace {

using namespace platform;
using window_test::PumpUntil;

constexpr DISPID kFullscreen = 27;

struct Position {
    float x, y, z;
};

class RealViewerControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::StudioEnvironment::Get();
        testing_support::TestApplication();
        ASSERT_TRUE(testing_support::RegisterViewerControl(VANTELO_VIEWER_CONTROL));
        ViewerPaneControls controls;
        controls.makeBrowser = [](QWidget*) { return nullptr; };
        view_ = std::make_unique<VanteloView>(controls);
        // On the screen at its top left, where the control's frames go.
        view_->setWindowFlags(Qt::FramelessWindowHint);
        view_->setGeometry(0, 0, 800, 600);
        view_->show();
        PumpUntil([this] { return view_->isVisible(); });
        view_->SetPositionHandler(
            [this](float x, float y, float z) {
                positions_.push_back({x, y, z});
            },
            [this] { ++noPositions_; });
        control_ = view_->viewer()->control();
        ASSERT_NE(control_, nullptr);
    }
    void TearDown() override { view_.reset(); }

    // Wide, with detail, so a fit has to shrink it.
    std::string WidePicture() {
        QImage image(1600, 600, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                image.setPixel(x, y, qRgb(x % 256, y % 256, (x / 8 + y / 8) % 2 ? 40 : 200));
            }
        }
        const std::string path = folder_.Path("wide.jpg");
        EXPECT_TRUE(image.save(QString::fromStdString(path), "JPEG", 90));
        return path;
    }

    bool WaitForZoom(float zoom) {
        return PumpUntil([&] { return !positions_.empty() && positions_.back().z == zoom; });
    }

    testing_support::TempDir folder_;
    std::unique_ptr<VanteloView> view_;
    ViewerControl* control_ = nullptr;
    std::vector<Position> positions_;
    int noPositions_ = 0;
};

TEST_F(RealViewerControlTest, APictureLoadsFitsAndReportsItsPosition) {
    const std::string path = WidePicture();
    ASSERT_TRUE(view_->ShowImage(path.c_str()));
    EXPECT_EQ(view_->GetViewerFileName(), path);

    // The fit shrinks 1600 x 600 into 800 x 600; OnLoad and the moves reach the handler.
    ASSERT_TRUE(WaitForZoom(0.5f)) << (positions_.empty() ? -1 : positions_.back().z);
    float x = 0, y = 0, z = 0;
    ASSERT_TRUE(view_->viewer()->GetPosition(x, y, z));
    EXPECT_FLOAT_EQ(z, 0.5f);
}

// Dark pixels in a band of rows of what the control's window shows.
int DarkPixels(const QImage& shown, int top, int bottom) {
    int dark = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < shown.width(); ++x) dark += qGray(shown.pixel(x, y)) < 100 ? 1 : 0;
    }
    return dark;
}

TEST_F(RealViewerControlTest, APictureThatFailsToLoadLeavesNoPictureAndSaysWhy) {
    const std::string good = WidePicture();
    const auto jpeg = jpeg_fixtures::Encode({.width = 64, .height = 48, .quality = 90});
    // A picture header declaring 20000 x 20000: its size alone refuses it.
    std::string huge = jpeg_fixtures::AsString(jpeg);
    const std::size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    for (const std::size_t at : {sof + 5, sof + 7}) {
        huge[at] = static_cast<char>(20000 >> 8);
        huge[at + 1] = static_cast<char>(20000 & 0xFF);
    }
    QImage small(64, 48, QImage::Format_RGB32);
    small.fill(qRgb(200, 30, 30));
    const std::string png = folder_.Path("whole.png");
    ASSERT_TRUE(small.save(QString::fromStdString(png), "PNG"));
    const std::string pngBytes = testing_support::ReadFile(png);
    struct Case {
        std::string name;
        std::string bytes;
        bool tooBig = false;
    };
    const Case cases[] = {
        {"empty.jpg", ""},
        {"words.png", "These are words, not a picture.\n"},
        {"ycck.jpg", jpeg_fixtures::AsString(jpeg_fixtures::Encode(
                         {.width = 64, .height = 48, .colour = jpeg_fixtures::Colour::Ycck}))},
        {"huge.jpg", huge, true},
        {"cut.png", pngBytes.substr(0, pngBytes.size() / 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        positions_.clear();
        view_->ShowImage(good.c_str());
        ASSERT_TRUE(WaitForZoom(0.5f));
        const int failures = noPositions_;
        const std::string path = folder_.Write(c.name, c.bytes);
        view_->ShowImage(path.c_str());
        // OnLoad still comes, with no view to report.
        ASSERT_TRUE(PumpUntil([&] { return noPositions_ > failures; }));
        EXPECT_FALSE(view_->viewer()->ShowsPicture());
        // The next frames draw the failure; until then the window may still show the picture.
        QImage shown;
        PumpUntil([&] {
            shown = control_->widget()->grab().toImage();
            return shown.size() == QSize(800, 600) &&
                   (shown.pixel(400, 200) & 0xFFFFFF) == 0xFFFFFFu &&
                   (shown.pixel(100, 300) & 0xFFFFFF) == 0xFFFFFFu &&
                   DarkPixels(shown, 325, 345) > 40 &&
                   (!c.tooBig || DarkPixels(shown, 345, 365) > 40);
        });
        ASSERT_EQ(shown.size(), QSize(800, 600));
        // The good picture's pixels are gone: the middle is the pane's white.
        EXPECT_EQ(shown.pixel(400, 200) & 0xFFFFFF, 0xFFFFFFu) << std::hex << shown.pixel(400, 200);
        EXPECT_EQ(shown.pixel(100, 300) & 0xFFFFFF, 0xFFFFFFu) << std::hex << shown.pixel(100, 300);
        // "Error loading: ..." under the middle, and a second line for a picture too big.
        EXPECT_GT(DarkPixels(shown, 325, 345), 40);
        if (c.tooBig) {
            EXPECT_GT(DarkPixels(shown, 345, 365), 40);
        } else {
            EXPECT_EQ(DarkPixels(shown, 345, 365), 0);
        }
    }
}

TEST_F(RealViewerControlTest, FullScreenIsSetAndLeftAgain) {
    const std::string path = WidePicture();
    view_->ShowImage(path.c_str());
    ASSERT_TRUE(WaitForZoom(0.5f));

    // The pane's own call, then the same member through the wrapper: both are taken.
    view_->Fullscreen();
    EXPECT_TRUE(InvokeSiteViewerControl(control_, kFullscreen, DISPATCH_PROPERTYPUT, NoResult{},
                                        {Variant::I4(1)}));
    std::int32_t on = -1;
    ASSERT_TRUE(InvokeSiteViewerControl(control_, kFullscreen, DISPATCH_PROPERTYGET, &on, {}));
    EXPECT_EQ(on, 1);
    EXPECT_TRUE(InvokeSiteViewerControl(control_, kFullscreen, DISPATCH_PROPERTYPUT, NoResult{},
                                        {Variant::I4(0)}));
    // The full-screen window closes through its own message loop.
    EXPECT_TRUE(PumpUntil([&] {
        return InvokeSiteViewerControl(control_, kFullscreen, DISPATCH_PROPERTYGET, &on, {}) &&
               on == 0;
    })) << on;
    float x = 0, y = 0, z = 0;
    ASSERT_TRUE(view_->viewer()->GetPosition(x, y, z));
    EXPECT_NEAR(z, 0.5f, 1e-3f);
}

TEST_F(RealViewerControlTest, TheViewerComesBackAtThePanesSize) {
    const std::string path = WidePicture();
    view_->ShowImage(path.c_str());
    ASSERT_TRUE(WaitForZoom(0.5f));

    view_->SetShownControl(1);
    EXPECT_FALSE(control_->widget()->isVisible());
    view_->SetShownControl(0);
    EXPECT_TRUE(control_->widget()->isVisible());
    EXPECT_EQ(control_->widget()->size(), QSize(800, 600));
    EXPECT_EQ(view_->viewer()->geometry(), QRect(0, 0, 800, 600));
    float x = 0, y = 0, z = 0;
    ASSERT_TRUE(view_->viewer()->GetPosition(x, y, z));
    EXPECT_FLOAT_EQ(z, 0.5f);
}

TEST_F(RealViewerControlTest, ARefusedCallReadsAsFalseAndThrowsNothing) {
    constexpr DISPID kGetPosition = 3;
    constexpr DISPID kFilename = 1;
    float got = 0;
    std::int32_t number = 0;
    // Each is called through the wrapper; none may escape as an exception.
    EXPECT_FALSE(
        InvokeSiteViewerControl(control_, kGetPosition, DISPATCH_METHOD, NoResult{},
                                {Variant::Text("x"), Variant::Text("y"), Variant::Text("z")}));
    EXPECT_FALSE(InvokeSiteViewerControl(control_, kGetPosition, DISPATCH_METHOD, NoResult{},
                                         {Variant::R4Ref(&got)}));
    EXPECT_FALSE(InvokeSiteViewerControl(control_, kFilename, DISPATCH_PROPERTYGET, &number, {}));
    EXPECT_FALSE(InvokeSiteViewerControl(control_, 9999, DISPATCH_METHOD, NoResult{}, {}));
    EXPECT_FALSE(InvokeSiteViewerControl(nullptr, kFilename, DISPATCH_PROPERTYGET, NoResult{}, {}));
    // The control goes on answering.
    std::string name = "unset";
    EXPECT_TRUE(InvokeSiteViewerControl(control_, kFilename, DISPATCH_PROPERTYGET, &name, {}));
    EXPECT_EQ(name, "");
}

}  // namespace
