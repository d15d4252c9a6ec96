#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompts/PagedPrintTarget.h"
#include "platform/window/ShellOpen.h"
#include "testing/LoopbackServer.h"
#include "testing/ScriptedPrompts.h"
#include "viewer-plugin/services/AboutText.h"
#include "viewer-plugin/services/UpdateCheck.h"
#include "viewer-plugin/tests/ViewerTestSupport.h"

namespace {

using namespace std::chrono_literals;
using testing_support::HttpReply;
using testing_support::LoopbackServer;
using testing_support::ScriptedPrompts;

constexpr std::uint32_t kPicture = 0x50A03C;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Output : public viewer_test::ViewerTest {
protected:
    void TearDown() override {
        EXPECT_TRUE(CVanteloPlugin::WaitForUpdateCheck());
        ::unsetenv("VANTELO_UPDATE_URL");
        platform::SetAddressOpener({});
        ViewerTest::TearDown();
    }

    // Messages the prompts were asked to show, as (caption, text).
    std::vector<std::pair<std::string, std::string>> Boxes() const {
        std::vector<std::pair<std::string, std::string>> boxes;
        for (const auto& call : prompts_.calls()) {
            if (call.kind == ScriptedPrompts::Kind::Message)
                boxes.emplace_back(call.caption, call.text);
        }
        return boxes;
    }
    bool PumpUntilBoxes(std::size_t count) {
        return PumpUntil([&] { return Boxes().size() >= count; }, 20s);
    }

    ScriptedPrompts prompts_;
};

TEST_F(Output, TheUpdateCheckShowsTheReplyOrNoUpdate) {
    Load(JpegFile("view.jpg", 64, 48, kPicture));
    const std::string text(3000, 'u');
    struct Case {
        const char* name;
        std::optional<HttpReply> reply;  // none: nobody listens on the port
        std::string shown;
    };
    const Case cases[] = {
        {"exact", HttpReply::Body(std::string(2047, 'a')), std::string(2047, 'a')},
        {"longer", HttpReply::Body(text), text.substr(0, 2047)},
        {"missing", HttpReply::Status(404, "gone"), "No new update available"},
        {"unreachable", std::nullopt, "No new update available"},
    };
    std::vector<std::string> opened;
    platform::SetAddressOpener([&](std::string_view address) {
        opened.emplace_back(address);
        return true;
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string endpoint;
        auto server = std::make_unique<LoopbackServer>();
        endpoint = server->Url("/vantelo");
        if (c.reply) {
            server->Serve("/vantelo/1.73", *c.reply);
        } else {
            server.reset();
        }
        ::setenv("VANTELO_UPDATE_URL", endpoint.c_str(), 1);
        const std::size_t before = Boxes().size();
        const bool found = c.shown != "No new update available";
        if (found) prompts_.Answer(platform::PromptAnswer::Yes);
        viewer_->OnCommand(CVanteloPlugin::kIdUpgrade);
        ASSERT_TRUE(PumpUntilBoxes(before + 1));
        EXPECT_EQ(Boxes().back().first, "Upgrade from Vantelo 1.73");
        EXPECT_EQ(Boxes().back().second, c.shown);
        EXPECT_EQ(prompts_.calls().back().buttons,
                  found ? platform::MessageButtons::YesNo : platform::MessageButtons::Ok);
        ASSERT_TRUE(CVanteloPlugin::WaitForUpdateCheck());
        EXPECT_EQ(opened,
                  found ? std::vector<std::string>{HomePage()} : std::vector<std::string>{});
        opened.clear();
    }
}

TEST_F(Output, OneUpdateCheckAtATimeAndTheViewerMayGoDuringTheFetch) {
    Load(JpegFile("view.jpg", 64, 48, kPicture));
    LoopbackServer server;
    HttpReply slow = HttpReply::Body("new version");
    slow.holdAfter = 0;
    server.Serve("/u/1.73", slow);
    ::setenv("VANTELO_UPDATE_URL", server.Url("/u").c_str(), 1);
    viewer_->StartUpdateCheck();
    ASSERT_TRUE(PumpUntil([&] { return server.Requests("/u/1.73") == 1; }));
    // A second check while the first fetches is refused after its short wait.
    EXPECT_FALSE(UpdateCheck::Start([] { return false; }));
    // The viewer goes while its check still fetches: the reply finds nobody to show it.
    viewer_->OnDestroyWindow();
    viewer_.reset();
    server.Release();
    EXPECT_TRUE(CVanteloPlugin::WaitForUpdateCheck());
    Pump(50ms);
    EXPECT_TRUE(Boxes().empty());
    // The check is over: the next one may start.
    EXPECT_TRUE(UpdateCheck::Start([] { return false; }));
    EXPECT_TRUE(CVanteloPlugin::WaitForUpdateCheck());
}

TEST_F(Output, PrintsTheViewIntoAPdfAndReportsWhatStopsIt) {
    Load(JpegFile("view.jpg", 200, 150, kPicture));
    viewer_->OnFrameMessage();
    const std::string pdf = temp_.Path("view.pdf");
    prompts_.AnswerPrint(platform::MakePdfPrintTarget(pdf));
    viewer_->OnCommand(CVanteloPlugin::kIdPrint);
    const std::string written = ReadFile(pdf);
    EXPECT_EQ(written.rfind("%PDF", 0), 0u);
    EXPECT_NE(written.find("/Image"), std::string::npos);
    EXPECT_TRUE(Boxes().empty());

    prompts_.AnswerPrintCancel(0);
    viewer_->Print();
    EXPECT_TRUE(Boxes().empty());
    prompts_.AnswerPrintCancel(5);
    viewer_->Print();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], std::make_pair(std::string("Print error"),
                                         std::string("Failed to open printer dialog (5)")));
    // A printer that cannot take the document.
    prompts_.AnswerPrint(platform::MakePdfPrintTarget(temp_.Path("no/such/folder/view.pdf")));
    viewer_->Print();
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].second.rfind("Failed to start printerjob (", 0), 0u);

    // A viewer without a display has a 0 x 0 view: nothing to divide the page by.
    CVanteloPlugin windowless;
    prompts_.AnswerPrint(platform::MakePdfPrintTarget(temp_.Path("empty.pdf")));
    windowless.Print();
    ASSERT_EQ(Boxes().size(), 3u);
    EXPECT_EQ(Boxes()[2].second, "Invalid dimensions");
    EXPECT_FALSE(prompts_.calls().back().hasOwner);
}

TEST_F(Output, SavesTheViewAsAJpegUnderTheOfferedName) {
    struct NameCase {
        const char* file;
        const char* offered;
    };
    for (const NameCase& c : {NameCase{"http://host/pics/a.b/photo.lwf", "photo.jpg"},
                              NameCase{"C:\\pics\\shot.jpeg", "shot.jpg"},
                              NameCase{"noextension", "noextension"}, NameCase{"", ""}}) {
        EXPECT_EQ(CVanteloPlugin::SaveViewName(c.file), c.offered) << c.file;
    }

    Load(JpegFile("view.jpg", 400, 300, kPicture));
    viewer_->OnFrameMessage();
    prompts_.AnswerPath(std::nullopt);
    viewer_->OnCommand(CVanteloPlugin::kIdSaveView);
    const std::string path = temp_.Path("saved.jpg");
    prompts_.AnswerPath(path);
    viewer_->SaveView();
    ASSERT_EQ(prompts_.calls().size(), 2u);
    const auto& request = prompts_.calls().back().file;
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.initialPath, "view.jpg");
    EXPECT_EQ(request.defaultExtension, "jpg");
    EXPECT_EQ(request.filter, "jpeg files|*.jpg||");
    EXPECT_TRUE(request.confirmOverwrite);

    const std::string bytes = ReadFile(path);
    ASSERT_FALSE(bytes.empty());
    const auto decoded = jpeg_fixtures::Decode(jpeg_fixtures::AsBytes(bytes));
    ASSERT_EQ(decoded.size(), 400u * 300u * 3u);
    const std::size_t centre = (150u * 400u + 200u) * 3u;
    const std::uint32_t saved = (std::uint32_t{decoded[centre]} << 16) |
                                (std::uint32_t{decoded[centre + 1]} << 8) | decoded[centre + 2];
    EXPECT_TRUE(viewer_test::Near(saved, ShownAt(200, 150), 8)) << std::hex << saved;
}

}  // namespace
