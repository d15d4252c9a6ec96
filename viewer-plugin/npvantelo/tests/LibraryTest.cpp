// The library as a file and as a guest in the browser's process.
#include <dlfcn.h>

#include <filesystem>
#include <sstream>

#include <QCoreApplication>
#include <QWidget>

#include "platform/lwf/testing/LwfTesting.h"
#include "testing/LoopbackServer.h"
#include "testing/RunTool.h"
#include "viewer-plugin/npvantelo/nsIVantelo.h"
#include "viewer-plugin/npvantelo/tests/HostTest.h"
#include "viewer-plugin/tests/ThreadCount.h"

namespace npvantelo_test {
namespace {

TEST(Library, ExportsOnlyItsThreeEntryPoints) {
    const std::string listing =
        testing_support::RunTool("nm -D --defined-only '" NPVANTELO_PATH "'");
    ASSERT_FALSE(listing.empty());
    std::istringstream lines(listing);
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);) {
        const auto space = line.rfind(' ');
        names.push_back(line.substr(space + 1));
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"NP_GetEntryPoints", "NP_Initialize", "NP_Shutdown"}));
}

class PacedLibrary : public HostTest {
protected:
    bool Pacing() const override { return true; }
};

TEST_F(PacedLibrary, LeavesNoThreadBehindOnceUnloaded) {
    testing_support::LoopbackServer server;
    const int before = thread_count::ThreadCount();
    server.Serve("/p.jpg", testing_support::HttpReply::Body(SolidJpeg(300, 200, 0x406080)));
    Start();
    auto a = Embed({{"param_filename", server.Url("/p.jpg")}});
    auto b = Embed({{"param_filename", server.Url("/p.jpg")}}, 200, 100);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Near(a->Grab().pixel(200, 150), 0x406080); }));
    EXPECT_GT(thread_count::ThreadCount(), before);
    // One goes with its window first, the other before its window.
    a->DestroyWindow();
    EXPECT_EQ(a->Destroy(), NPERR_NO_ERROR);
    EXPECT_EQ(b->Destroy(), NPERR_NO_ERROR);
    b->DestroyWindow();
    a.reset();
    b.reset();
    EXPECT_EQ(host_->Shutdown(), NPERR_NO_ERROR);
    EXPECT_TRUE(host_->Unload());
    // The server's connection threads end on their own.
    EXPECT_TRUE(PumpUntil([&] { return thread_count::ThreadCount() <= before; }))
        << thread_count::ThreadCount() << " threads, " << before << " before";
}

using LibraryFolder = HostTest;

// A browser loads the library from a folder of its own; the codec library lies beside it.
TEST_F(LibraryFolder, FindsTheCodecBesideItself) {
    ::unsetenv("VANTELO_LWF_CODEC");
    testing_support::TempDir folder;
    namespace fs = std::filesystem;
    fs::copy_file(NPVANTELO_PATH, folder.Path("NPvantelo.so"));
    fs::copy_file(LWF_CODEC_PATH, folder.Path("lwf215p.so"));
    host_ = std::make_unique<NpapiHost>();
    ASSERT_TRUE(host_->Load(folder.Path("NPvantelo.so"))) << host_->LoadError();
    Start();
    std::vector<int> samples;
    for (int i = 0; i < 64 * 48; ++i) samples.insert(samples.end(), {0x30, 0x90, 0xD0});
    const auto codestream = lwf_testing::EncodeJ2k(samples, 64, 48, 3);
    const std::string picture =
        folder.Write("p.lwf", std::string(codestream.begin(), codestream.end()));
    auto instance = Embed({{"param_filename", picture}, {"param_fit", "304"}});
    ASSERT_NE(instance, nullptr);
    EXPECT_TRUE(PumpUntil([&] {
        instance->Frame();
        return Near(instance->Grab().pixel(200, 150), 0x3090D0);
    }));
    instance.reset();
    host_.reset();
}

using EarlyShutdown = HostTest;

// A browser that shuts the library down while a page's instance still lives: the instance
// goes on (its download's end, already waiting among the events, still shows the picture),
// and the library lets go of the toolkit once that instance is destroyed, before dlclose.
TEST_F(EarlyShutdown, ReleasesTheLibraryOnlyWhenTheLastInstanceGoes) {
    testing_support::LoopbackServer server;
    server.Serve("/p.jpg", testing_support::HttpReply::Body(SolidJpeg(200, 150, 0x2060C0)));
    {
        // What the toolkit makes for the first window shown is not the library's.
        QWidget shown;
        shown.show();
        NpapiHost::Pump();
    }
    const auto appChildren = QCoreApplication::instance()->children().size();
    Start();
    auto instance = Embed({{"param_filename", server.Url("/p.jpg")}, {"param_fit", "304"}});
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return server.Requests("/p.jpg") > 0; }));
    // No events run meanwhile: the download's notifications wait for the window thread.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(host_->Shutdown(), NPERR_NO_ERROR);
    EXPECT_TRUE(PumpUntil([&] { return Near(instance->Grab().pixel(200, 150), 0x2060C0); }));

    EXPECT_EQ(instance->Destroy(), NPERR_NO_ERROR);
    instance.reset();
    // What the library had put into the application is gone with the instance.
    EXPECT_EQ(QCoreApplication::instance()->children().size(), appChildren);
    EXPECT_TRUE(host_->Unload());
}

using LateShutdown = HostTest;

// A host that unloads the library while the update check's fetch still waits for its server
// (as after a shutdown whose wait for the check ran out): the library stays loaded for the
// thread, which ends later without running in code that is gone.
TEST_F(LateShutdown, AnUpdateCheckStillRunningKeepsTheLibraryLoaded) {
    testing_support::LoopbackServer server;
    server.Serve("/1.73", testing_support::HttpReply::Body("new").HoldAfter(0));
    ::setenv("VANTELO_UPDATE_URL", server.Url("").c_str(), 1);
    Start();
    // No window: nothing but the check may keep the library.
    NPError made = -1;
    auto instance = host_->NewInstance({}, &made);
    ASSERT_EQ(made, NPERR_NO_ERROR);
    ASSERT_NE(instance, nullptr);
    nsIVantelo* peer = instance->Peer<nsIVantelo>();
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(peer->SetVersion(9.0f), NS_OK);
    peer->Release();
    ASSERT_TRUE(PumpUntil([&] { return server.Requests("/1.73") > 0; }));
    EXPECT_EQ(instance->Destroy(), NPERR_NO_ERROR);
    instance.reset();

    EXPECT_TRUE(host_->Unload());
    void* still = ::dlopen(NPVANTELO_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(still, nullptr);
    const int threads = thread_count::ThreadCount();
    server.Release();
    EXPECT_TRUE(PumpUntil([&] { return thread_count::ThreadCount() < threads; }));
    // The browser's shutdown, late: the check that ended is joined and the library let go.
    auto* shutdown = reinterpret_cast<NPError (*)()>(::dlsym(still, "NP_Shutdown"));
    ASSERT_NE(shutdown, nullptr);
    EXPECT_EQ(shutdown(), NPERR_NO_ERROR);
    ::dlclose(still);
    ::unsetenv("VANTELO_UPDATE_URL");
}

}  // namespace
}  // namespace npvantelo_test
