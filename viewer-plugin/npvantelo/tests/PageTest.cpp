// A page's view of the plug-in: attributes in, a picture on screen, events out as URLs.
#include "testing/CommaLocale.h"
#include "testing/LoopbackServer.h"
#include "testing/TempDir.h"
#include "viewer-plugin/npvantelo/nsIVantelo.h"
#include "viewer-plugin/npvantelo/tests/HostTest.h"

namespace npvantelo_test {
namespace {

using testing_support::HttpReply;
using testing_support::LoopbackServer;

constexpr std::uint32_t kPicture = 0xC04020;

class Page : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        Start();
        server_.Serve("/picture.jpg", HttpReply::Body(SolidJpeg(200, 150, kPicture)));
    }
    int Count(const std::string& url) const {
        int n = 0;
        for (const auto& request : host_->Urls()) n += request.url == url ? 1 : 0;
        return n;
    }
    LoopbackServer server_;
};

TEST_F(Page, ShowsThePictureAndTellsThePageOnceOneFrameLater) {
    auto instance = Embed({{"param_filename", server_.Url("/picture.jpg")},
                           {"param_fit", "304"},
                           {"event_OnLoad", "loaded"},
                           {"event_ChangedPos", "moved"}});
    ASSERT_NE(instance, nullptr);
    // The download's end draws the picture at once; the page hears of it with a frame.
    ASSERT_TRUE(PumpUntil([&] { return Near(instance->Grab().pixel(200, 150), kPicture); }));
    EXPECT_EQ(Count("javascript:loaded()"), 0);
    instance->Frame();
    EXPECT_EQ(Count("javascript:loaded()"), 1);
    instance->Frame(5);
    EXPECT_EQ(Count("javascript:loaded()"), 1);
    EXPECT_TRUE(Near(instance->Grab().pixel(200, 150), kPicture));
    for (const auto& request : host_->Urls()) EXPECT_FALSE(request.withTarget) << request.url;
    // Nothing of the browser's table but geturl and memalloc is ever called.
    EXPECT_TRUE(host_->OtherCalls().empty());
}

TEST_F(Page, ScriptMovesReachThePageAtOnceWithPoints) {
    for (const bool comma : {false, true}) {
        std::unique_ptr<CommaLocale> locale;
        if (comma) locale = std::make_unique<CommaLocale>();
        host_->ClearUrls();
        auto instance = Embed({{"event_ChangedPos", "moved"}});
        ASSERT_NE(instance, nullptr);
        auto* peer = instance->Peer<nsIVantelo>();
        ASSERT_NE(peer, nullptr);
        EXPECT_EQ(peer->MoveTo(12.5f, 0, 1, 0, 0), NS_OK);
        EXPECT_EQ(host_->UrlTexts(),
                  std::vector<std::string>{"javascript:moved(12.500000,0.000000,1.000000)"})
            << (comma ? "comma locale" : "C locale");
        peer->Release();
    }
}

TEST_F(Page, ALongFunctionNameIsCutToTheBuffer) {
    const std::string name(600, 'f');
    auto instance = Embed({{"event_ChangedPos", name}});
    ASSERT_NE(instance, nullptr);
    auto* peer = instance->Peer<nsIVantelo>();
    ASSERT_NE(peer, nullptr);
    peer->MoveTo(3, 4, 2, 0, 0);
    ASSERT_EQ(host_->Urls().size(), 1u);
    const std::string& url = host_->Urls()[0].url;
    EXPECT_EQ(url.size(), 511u);
    EXPECT_EQ(url, ("javascript:" + name).substr(0, 511));
    peer->Release();
}

TEST_F(Page, InputOnTheWindowReachesTheViewer) {
    auto instance = Embed({{"param_filename", server_.Url("/picture.jpg")},
                           {"param_fit", "304"},
                           {"event_OnCursor", "cursor"}});
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Near(instance->Grab().pixel(200, 150), kPicture); }));
    instance->Frame();
    host_->ClearUrls();
    instance->MouseMove(30, 40);
    instance->MousePress(30, 40, Qt::LeftButton);
    instance->MouseRelease(30, 40, Qt::LeftButton);
    instance->Frame();
    EXPECT_FALSE(host_->Urls().empty());
    for (const auto& url : host_->UrlTexts()) EXPECT_EQ(url.rfind("javascript:cursor(", 0), 0u);
}

// The window's paint reaches the instance, which writes why there is no picture.
TEST_F(Page, APaintOfTheWindowSaysWhyThereIsNoPicture) {
    testing_support::TempDir temp;
    auto instance = Embed({{"param_filename", temp.Path("missing.jpg")}});
    ASSERT_NE(instance, nullptr);
    // Pixels of the band under the middle that differ from the background.
    const auto textPixels = [&] {
        instance->window()->update();
        const QImage shown = instance->Grab();
        int text = 0;
        for (int y = 150 + 20; y < 150 + 45; ++y) {
            for (int x = 0; x < 400; ++x) text += shown.pixel(x, y) != shown.pixel(2, 2) ? 1 : 0;
        }
        return text;
    };
    EXPECT_TRUE(PumpUntil([&] { return textPixels() > 50; }));
}

// The download still runs when the page goes: its abort must not reach the adapter that
// was deleted with the instance.
TEST_F(Page, DestroyingDuringADownloadSendsNothingMore) {
    const std::string picture = SolidJpeg(400, 300, kPicture);
    server_.Serve("/slow.jpg", HttpReply::Body(picture).HoldAfter(100));
    for (const bool windowFirst : {false, true}) {
        host_->ClearUrls();
        auto instance =
            Embed({{"param_filename", server_.Url("/slow.jpg")}, {"event_OnLoad", "loaded"}});
        ASSERT_NE(instance, nullptr);
        ASSERT_TRUE(server_.WaitUntilHeld(std::chrono::seconds(10)));
        // A window that goes first ends the load while the page still listens.
        if (windowFirst) instance->DestroyWindow();
        host_->ClearUrls();
        EXPECT_EQ(instance->Destroy(), NPERR_NO_ERROR);
        instance.reset();
        NpapiHost::Pump();
        EXPECT_TRUE(host_->Urls().empty()) << (windowFirst ? "window first" : "instance first");
    }
    server_.Release();
}

}  // namespace
}  // namespace npvantelo_test
