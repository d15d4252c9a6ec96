#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "imaging/PictureLoader.h"
#include "platform/gfx/tests/GfxTestSupport.h"
#include "viewer-plugin/display/DDSurface.h"
#include "viewer-plugin/display/ImageResource.h"
#include "viewer-plugin/display/Resources.h"
#include "viewer-plugin/tests/SurfacePixel.h"

namespace {

class ImageResourceTest : public gfx_test::GfxTest {
protected:
    std::unique_ptr<DDSurface> Display(const gfx::PixelFormatDesc& format) {
        auto surface = std::make_unique<DDSurface>(dd_, 8, 8, &format, 0x40u, 0u);
        EXPECT_TRUE(surface->IsValid());
        return surface;
    }
};

TEST_F(ImageResourceTest, TheLogoIsElevenSmallRgbFrames) {
    const EmbeddedResource* logo = FindResource(&ViewerResources(), kLogoResource, RT_RCDATA);
    ASSERT_NE(logo, nullptr);
    PictureLoader loader;
    ASSERT_TRUE(loader.Open(kLogoResourceName, logo->data, logo->size));
    EXPECT_EQ(loader.GetInfo().bitsPerPixel, 24);  // 8-bit RGB, no alpha
    EXPECT_EQ(loader.GetHeight() % 11, 0);
    EXPECT_LE(loader.GetWidth(), 64);
    EXPECT_LE(loader.GetHeight() / 11, 24);
    // Another type under the same number is not the logo.
    EXPECT_EQ(FindResource(&ViewerResources(), kLogoResource, RT_RCDATA + 1), nullptr);
}

TEST_F(ImageResourceTest, OnA565DisplayTheLogoIs565Words) {
    auto display = Display(gfx::Format565());
    auto logo = LoadImageResource(*display, kLogoResourceName, &ViewerResources(), kLogoResource);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->GetPixelFormat().rgb.rgbBitCount, 16u);
    EXPECT_EQ(logo->GetHeight() % 11, 0);
    // The generator's colours: background (20, 20, 20), frame edge (150, 150, 150) and the
    // lit cells (235, 150, 40) of the last frame.
    EXPECT_EQ(display_test::PixelAt(*logo, 0, 0), (2u << 11) | (5u << 5) | 2u);
    EXPECT_EQ(display_test::PixelAt(*logo, 1, 1), (18u << 11) | (37u << 5) | 18u);
    const int frame = logo->GetHeight() / 11;
    EXPECT_EQ(display_test::PixelAt(*logo, 4, 10 * frame + 5), (29u << 11) | (37u << 5) | 5u);
}

TEST_F(ImageResourceTest, AMissingResourceGivesNullAndNoSurface) {
    auto display = Display(gfx::FormatX888());
    const int live = gfx::display::LiveObjects();
    EXPECT_EQ(LoadImageResource(*display, kLogoResourceName, &ViewerResources(), 212), nullptr);
    EXPECT_EQ(LoadImageResource(*display, kLogoResourceName, nullptr, kLogoResource), nullptr);
    // The bytes of a PNG named as something else find no decoder that reads them.
    EXPECT_EQ(LoadImageResource(*display, "logo.bmp", &ViewerResources(), kLogoResource), nullptr);
    EXPECT_EQ(gfx::display::LiveObjects(), live);
}

}  // namespace
