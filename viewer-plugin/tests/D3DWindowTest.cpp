#include "viewer-plugin/display/D3DWindow.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/gfx/Surface.h"
#include "testing/ScriptedPrompts.h"
#include "viewer-plugin/display/D3DSurface.h"
#include "viewer-plugin/tests/DisplayTestSupport.h"

namespace {

class D3DWindowTest : public display_test::Direct3DTest {};

TEST_F(D3DWindowTest, WithoutHardwareEveryWindowDrawsInSoftware) {
    auto window = Window(400, 300);
    ASSERT_EQ(window->CreateWindowed(), 0);
    EXPECT_FALSE(OnHardware(*window));
    EXPECT_FALSE(window->GetMipmapFilter());
    EXPECT_FALSE(window->GetBackBuffer()->IsVideoMemory());
    EXPECT_FALSE(record_.IsHardwareClaimed());
    EXPECT_TRUE(Logged(0, "RGB"));
    EXPECT_TRUE(window->UpdateViewport());
    EXPECT_EQ(D3DWindow::ProcessDirect3DUsers(), 1);
    Close(window);
}

TEST_F(D3DWindowTest, SmallWindowsTakeTheSoftwareDevice) {
    Hardware();
    struct Case {
        int width, height;
        bool hardware;
    };
    for (const Case c : {Case{200, 256, false}, Case{200, 257, true}, Case{256, 10, true},
                         Case{255, 256, false}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        auto window = Window(c.width, c.height);
        ASSERT_EQ(window->CreateWindowed(), 0);
        EXPECT_EQ(OnHardware(*window), c.hardware);
        EXPECT_EQ(window->OwnsDevice(), c.hardware);
        EXPECT_EQ(window->HoldsHardware(), c.hardware);
        EXPECT_EQ(record_.IsHardwareClaimed(), c.hardware);
        EXPECT_EQ(window->GetMipmapFilter(), c.hardware);
        Close(window);
        // The last user of the hardware lets the claim go.
        EXPECT_FALSE(record_.IsHardwareClaimed());
    }
}

TEST_F(D3DWindowTest, WhileTheClaimIsHeldOthersNeverTryTheHardware) {
    Hardware();
    // Another process holds it.
    ASSERT_TRUE(record_.TryClaimHardware());
    // Trying the hardware would check its target with a clear.
    gfx::display::IgnoreClears(1);
    auto window = Window(400, 300);
    ASSERT_EQ(window->CreateWindowed(), 0);
    EXPECT_FALSE(OnHardware(*window));
    EXPECT_TRUE(gfx::display::TakeIgnoredClear());
    Close(window);
    EXPECT_TRUE(record_.IsHardwareClaimed());
    record_.ClearHardwareClaim();

    // A window of this process holds it.
    auto first = Window(400, 300);
    ASSERT_EQ(first->CreateWindowed(), 0);
    ASSERT_TRUE(OnHardware(*first));
    const int made = SharedDirect3D().hardwareGeneration;
    gfx::display::IgnoreClears(1);
    auto second = Window(300, 300, 400);
    ASSERT_EQ(second->CreateWindowed(), 0);
    EXPECT_FALSE(OnHardware(*second));
    EXPECT_TRUE(gfx::display::TakeIgnoredClear());
    EXPECT_EQ(SharedDirect3D().hardwareGeneration, made);
    EXPECT_EQ(D3DWindow::ProcessDirect3DUsers(), 2);
    Close(second);
    EXPECT_TRUE(record_.IsHardwareClaimed());
    Close(first);
    EXPECT_FALSE(record_.IsHardwareClaimed());
}

// The claim may be free while this process still has its hardware device (another process
// cleared it): the newcomer is refused the hardware, clears the claim it made, and leaves
// the device of the window using it alone.
TEST_F(D3DWindowTest, ARefusedNewcomerLeavesTheHardwareDeviceToItsUser) {
    Hardware();
    auto first = Window(400, 300);
    ASSERT_EQ(first->CreateWindowed(), 0);
    ASSERT_TRUE(OnHardware(*first));
    record_.ClearHardwareClaim();
    auto second = Window(300, 300, 400);
    ASSERT_EQ(second->CreateWindowed(), 0);
    EXPECT_FALSE(OnHardware(*second));
    EXPECT_FALSE(record_.IsHardwareClaimed());
    EXPECT_TRUE(first->OwnsDevice());
    EXPECT_EQ(SharedDirect3D().hardwareUsers, 1);
    EXPECT_TRUE(first->UpdateViewport());
    const gfx::ClearRect all{0, 0, 400, 300};
    EXPECT_EQ(first->GetViewport()->Clear2(1, &all, gfx::D3DCLEAR_TARGET, 0xFF00FF00, 0, 0), 0);
    Close(second);
    Close(first);
}

TEST_F(D3DWindowTest, HardwareThatFailsACheckFallsBackToSoftware) {
    struct Case {
        const char* text;
        void (*change)(gfx::DeviceDesc&);
        int bits;
        bool hardware;
    };
    const Case cases[] = {
        {"3D Hardware can not texture\r\n", [](gfx::DeviceDesc& d) { d.devCaps = 0; }, 32, false},
        {"3D Hardware can not filter\r\n",
         [](gfx::DeviceDesc& d) { d.textureFilterCaps = gfx::D3DPTFILTERCAPS_MIPNEAREST; }, 32,
         false},
        {nullptr, [](gfx::DeviceDesc& d) { d.textureFilterCaps = 0; }, 32, true},
        {"3D Hardware can not render texture as small as needed\r\n",
         [](gfx::DeviceDesc& d) { d.minTextureHeight = 512; }, 32, false},
        {"3D Hardware can not render texture of the needed size\n",
         [](gfx::DeviceDesc& d) { d.maxTextureWidth = 128; }, 32, false},
        {"Can NOT render current depth\n",
         [](gfx::DeviceDesc& d) { d.renderBitDepth = gfx::DDBD_16 | gfx::DDBD_32; }, 24, false},
        {nullptr, [](gfx::DeviceDesc& d) { d.renderBitDepth = gfx::DDBD_16 | gfx::DDBD_32; }, 16,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text != nullptr ? c.text : "passes");
        logged_.clear();
        gfx::DeviceDesc desc;
        c.change(desc);
        Hardware(desc);
        platform::SetDisplayBitsPerPixel(c.bits);
        auto window = Window(400, 300);
        ASSERT_EQ(window->CreateWindowed(), 0);
        EXPECT_EQ(OnHardware(*window), c.hardware);
        if (c.text != nullptr) {
            EXPECT_TRUE(Logged(2, c.text));
        }
        // A claim the failed setup made is cleared again.
        EXPECT_EQ(record_.IsHardwareClaimed(), c.hardware);
        EXPECT_EQ(window->GetBackBuffer()->IsVideoMemory(), c.hardware);
        Close(window);
    }
}

TEST_F(D3DWindowTest, ATargetIgnoringClearsGetsTheDeviceMadeOnTheBackBuffer) {
    Hardware();
    gfx::display::IgnoreClears(1);
    auto window = Window(400, 300);
    ASSERT_EQ(window->CreateWindowed(), 0);
    EXPECT_TRUE(OnHardware(*window));
    EXPECT_FALSE(gfx::display::TakeIgnoredClear());
    gfx::Surface* target = nullptr;
    ASSERT_EQ(window->GetDevice()->GetRenderTarget(&target), 0);
    EXPECT_EQ(target, window->GetBackBuffer()->GetSurface());
    target->Release();
    // The check itself reports a target that ignores clears.
    gfx::display::IgnoreClears(1);
    EXPECT_EQ(window->VerifyRenderTarget(window->GetDevice(), window->GetBackBuffer()),
              platform::E_FAIL);
    EXPECT_EQ(window->VerifyRenderTarget(window->GetDevice(), window->GetBackBuffer()), 0);
    Close(window);
}

TEST_F(D3DWindowTest, WithoutTheInterfaceTheSetupFails) {
    gfx::display::SetDirect3DRefused(true);
    auto window = Window(100, 100);
    EXPECT_EQ(window->CreateWindowed(), platform::E_NOINTERFACE);
    EXPECT_TRUE(Logged(2, "This app requires DirectX 6.0 or later!\r\n"));
    EXPECT_EQ(window->GetDevice(), nullptr);
    Close(window);

    // The old interface's path asks for its own 3D object.
    DDWindow::SetForceDX3(true);
    auto old = Window(100, 100);
    EXPECT_EQ(old->CreateWindowed(), platform::E_NOINTERFACE);
    EXPECT_TRUE(Logged(2, "Failed to get Direct3D interface"));
    EXPECT_EQ(old->GetDeviceDX3(), nullptr);
    Close(old);
}

TEST_F(D3DWindowTest, TheOldInterfaceDrawsInSoftwareWithAViewportOfTheWindow) {
    testing_support::ScriptedPrompts prompts;
    DDWindow::SetForceDX3(true);
    auto window = Window(300, 200);
    ASSERT_EQ(window->CreateWindowed(), 0);
    EXPECT_EQ(window->GetDevice(), nullptr);
    ASSERT_NE(window->GetDeviceDX3(), nullptr);
    EXPECT_EQ(window->GetGenerationDX3(), 1);
    EXPECT_TRUE(Logged(0, "Setup3D  For now we only use software rendering on DX5 and earlier\n"));
    EXPECT_TRUE(Logged(0, " The kingdom is run by Direct3D-1 "));
    EXPECT_FALSE(window->GetBackBuffer()->IsVideoMemory());
    EXPECT_TRUE(window->GetBackBuffer()->IsDX3());
    gfx::OldViewportDesc desc;
    ASSERT_EQ(window->GetViewportDX3()->GetViewport(&desc), gfx::DD_OK);
    EXPECT_EQ(desc.width, 300);
    EXPECT_EQ(desc.height, 200);
    EXPECT_EQ(desc.scaleX, 1.0f);
    EXPECT_EQ(desc.maxX, 150.0f);
    EXPECT_EQ(desc.maxY, 100.0f);
    EXPECT_FALSE(window->GetTextureFormats().empty());
    EXPECT_TRUE(DDWindow::IsModeSwitchBySettings());
    // A resize makes a new device of a new generation on the new back buffer.
    window->Resize({320, 240}, false);
    EXPECT_EQ(window->GetGenerationDX3(), 2);
    ASSERT_NE(window->GetDeviceDX3(), nullptr);
    EXPECT_EQ(window->GetDeviceDX3()->RenderTarget(), window->GetBackBuffer()->GetSurface());

    // Without a back buffer to draw on there is no device: a box tells the user.
    gfx::display::FailSurfaceCreations(2, platform::E_OUTOFMEMORY);
    window->Resize({330, 240}, false);
    EXPECT_EQ(window->GetDeviceDX3(), nullptr);
    EXPECT_TRUE(Logged(3, "D3DWindow::Create  No available 3DDevice \n"));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "D3DWindow::Create  No available 3DDevice \n");
    Close(window);
}

TEST_F(D3DWindowTest, TheTextureFormatsKeepPlainRgbOfSixteenBitsOrMore) {
    auto window = Window(100, 100);
    ASSERT_EQ(window->CreateWindowed(), 0);
    ASSERT_EQ(window->GetTextureFormats().size(), 7u);
    for (const auto& format : window->GetTextureFormats()) {
        EXPECT_NE(format.flags & gfx::DDPF_RGB, 0u);
        EXPECT_GE(format.rgb.rgbBitCount, 16u);
    }
    const gfx::PixelFormatDesc* chosen = window->GetBackBufferFormat();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->rgb.rgbBitCount, 32u);
    EXPECT_EQ(chosen->rgb.alphaMask, 0u);
    Close(window);
}

TEST_F(D3DWindowTest, TheBackBufferFormatFallsBackInOrder) {
    const gfx::PixelFormatDesc argb = gfx::RgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    const gfx::PixelFormatDesc bgr = gfx::RgbFormat(32, 0xFF, 0xFF00, 0xFF0000);
    struct Case {
        const char* what;
        int bits;
        std::vector<gfx::PixelFormatDesc> formats;
        std::size_t want;
    };
    const Case cases[] = {
        {"exact beats earlier same depth", 32, {argb, gfx::FormatX888()}, 1},
        {"first of the same depth", 32, {gfx::Format565(), bgr, argb}, 1},
        {"deeper with the same alpha", 16, {argb, gfx::FormatX888()}, 1},
        {"first kept", 32, {gfx::Format555(), gfx::Format565()}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::SetDisplayBitsPerPixel(c.bits);
        gfx::display::SetTextureFormats(c.formats);
        auto window = Window(100, 100);
        ASSERT_EQ(window->CreateWindowed(), 0);
        ASSERT_EQ(window->GetTextureFormats().size(), c.formats.size());
        EXPECT_EQ(window->GetBackBufferFormat(), &window->GetTextureFormats()[c.want]);
        Close(window);
    }
}

// A viewer resizing must not take the shared viewport from under the other viewers.
TEST_F(D3DWindowTest, AResizeLeavesOtherWindowsTheirViewport) {
    auto first = Window(200, 100);
    auto second = Window(200, 100, 300);
    ASSERT_EQ(first->CreateWindowed(), 0);
    ASSERT_EQ(second->CreateWindowed(), 0);
    ASSERT_TRUE(first->UpdateViewport());
    ASSERT_TRUE(second->UpdateViewport());
    EXPECT_EQ(first->GetViewport(), second->GetViewport());
    first->Resize(Vector2<int>(200, 100), false);
    EXPECT_TRUE(second->UpdateViewport());
    EXPECT_TRUE(first->UpdateViewport());
    Close(first);
    EXPECT_TRUE(second->UpdateViewport());
    Close(second);
}

TEST_F(D3DWindowTest, ATextureDrawnOnTheBackBufferIsShown) {
    auto window = Window(64, 48);
    ASSERT_EQ(window->CreateWindowed(), 0);
    ASSERT_TRUE(window->UpdateViewport());
    D3DSurface tile;
    ASSERT_TRUE(tile.CreateTexture(SharedDirectDraw().dd4, 256, 256, window->GetBackBufferFormat(),
                                   0x4001000, 0x10, 1));
    ASSERT_TRUE(tile.Fill(tile.ColourToPixel(0, 0, 255)));
    EXPECT_EQ(tile.Reload(), 0);
    tile.UpdateMipmaps();
    gfx::Device* device = window->GetDevice();
    ASSERT_EQ(device->SetTexture(0, tile.GetTexture()), 0);
    ASSERT_EQ(device->BeginScene(), 0);
    const gfx::TLVertex quad[4] = {{0, 48, 0, 1, ~0u, ~0u, 0, 1},
                                   {0, 0, 0, 1, ~0u, ~0u, 0, 0},
                                   {64, 48, 0, 1, ~0u, ~0u, 1, 1},
                                   {64, 0, 0, 1, ~0u, ~0u, 1, 0}};
    EXPECT_EQ(device->DrawPrimitive(gfx::D3DPT_TRIANGLESTRIP, gfx::D3DFVF_TLVERTEX1, quad, 4, 24),
              0);
    ASSERT_EQ(device->EndScene(), 0);
    device->SetTexture(0, nullptr);
    EXPECT_TRUE(window->Flip());
    EXPECT_EQ(Shown(*window, 10, 10), 0x0000FFu);
    Close(window);
}

TEST_F(D3DWindowTest, MipmapLevelsAreFilledByHalving) {
    auto window = Window(64, 48);
    ASSERT_EQ(window->CreateWindowed(), 0);
    D3DSurface tile;
    ASSERT_TRUE(tile.CreateTexture(SharedDirectDraw().dd4, 8, 8, window->GetBackBufferFormat(),
                                   gfx::DDSCAPS_TEXTURE | gfx::DDSCAPS_MIPMAP, 0, 3));
    ASSERT_TRUE(tile.Fill(tile.ColourToPixel(200, 100, 50)));
    tile.UpdateMipmaps();
    gfx::Surface* level = nullptr;
    ASSERT_EQ(
        tile.GetSurface()->GetAttachedSurface(gfx::DDSCAPS_TEXTURE | gfx::DDSCAPS_MIPMAP, &level),
        0);
    EXPECT_EQ(level->Desc().width, 4);
    platform::SurfacePixels pixels;
    ASSERT_EQ(level->Lock(nullptr, pixels, 0), 0);
    EXPECT_EQ(*reinterpret_cast<const std::uint32_t*>(pixels.bits) & 0xFFFFFF, 0xC86432u);
    level->Unlock();
    level->Release();
    D3DSurface plain;
    EXPECT_EQ(plain.Reload(), platform::E_FAIL);
    Close(window);
}

TEST_F(D3DWindowTest, WindowsCountThemselvesInAndOut) {
    const int before = record_.RunningCount();
    auto first = Window(10, 10);
    auto second = Window(10, 10, 20);
    EXPECT_EQ(first->GetRunningCount(), before + 2);
    Close(second);
    EXPECT_EQ(record_.RunningCount(), before + 1);
    Close(first);
    EXPECT_EQ(record_.RunningCount(), before);
}

}  // namespace
