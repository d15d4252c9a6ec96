// The library as a browser loads it: its exports, the Java class it registers and the NPP
// calls its table holds.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/jri/testing/FakeVm.h"
#include "testing/NpapiHost.h"
#include "testing/QtTestApp.h"
#include "testing/RunTool.h"
#include "testing/TempDir.h"

namespace {

using testing_support::NpapiHost;

class NPLensObjLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        host_ = std::make_unique<NpapiHost>();
        host_->UseJava(&vm_);
        ASSERT_TRUE(host_->Load(NPLENSOBJ_PATH)) << host_->LoadError();
    }
    void TearDown() override { host_.reset(); }

    NPError Initialize(std::uint16_t version) {
        auto entry = reinterpret_cast<NP_InitializeFunc>(host_->Symbol("NP_Initialize"));
        NPNetscapeFuncs& browser = host_->Browser();
        browser.version = version;
        return entry(&browser);
    }
    jref JavaClass() { return JavaClassOf(host_->Plugin()); }

    jri_testing::FakeVm vm_;
    std::unique_ptr<NpapiHost> host_;
};

TEST_F(NPLensObjLibrary, EntryPointsFillTheNineCallsAndVersion) {
    auto entry = reinterpret_cast<NP_GetEntryPointsFunc>(host_->Symbol("NP_GetEntryPoints"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
    auto initialize = reinterpret_cast<NP_InitializeFunc>(host_->Symbol("NP_Initialize"));
    EXPECT_EQ(initialize(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);

    NPPluginFuncs& funcs = host_->Plugin();
    funcs.size = 77;
    funcs.event = [](NPP, void*) -> std::int16_t { return 5; };
    ASSERT_EQ(host_->GetEntryPoints(), NPERR_NO_ERROR);
    EXPECT_EQ(funcs.version, 9);
    EXPECT_EQ(funcs.size, 77);
    const void* entries[] = {
        reinterpret_cast<void*>(funcs.newp),          reinterpret_cast<void*>(funcs.destroy),
        reinterpret_cast<void*>(funcs.setwindow),     reinterpret_cast<void*>(funcs.newstream),
        reinterpret_cast<void*>(funcs.destroystream), reinterpret_cast<void*>(funcs.asfile),
        reinterpret_cast<void*>(funcs.writeready),    reinterpret_cast<void*>(funcs.write),
        reinterpret_cast<void*>(funcs.print)};
    for (const void* e : entries) EXPECT_NE(e, nullptr);
    EXPECT_EQ(funcs.event, nullptr);
    EXPECT_EQ(funcs.urlnotify, nullptr);
    EXPECT_EQ(funcs.getvalue, nullptr);
}

// Older browsers get neither URL notification nor Java; newer majors are refused; 0.9 gets
// both, with the module's classes bound in order and a global reference for the browser.
TEST_F(NPLensObjLibrary, InitializeDecidesTheBridgeByVersion) {
    ASSERT_EQ(host_->GetEntryPoints(), NPERR_NO_ERROR);
    const int startRefs = vm_.GlobalRefCount();
    EXPECT_EQ(Initialize(0x0008), NPERR_NO_ERROR);
    EXPECT_EQ(host_->Plugin().urlnotify, nullptr);
    EXPECT_EQ(host_->Plugin().javaClass, nullptr);
    EXPECT_EQ(host_->JavaEnvCalls(), 0);
    EXPECT_EQ(Initialize(0x0100), NPERR_INCOMPATIBLE_VERSION_ERROR);
    EXPECT_TRUE(vm_.Log().empty());

    EXPECT_EQ(Initialize(0x0009), NPERR_NO_ERROR);
    EXPECT_NE(host_->Plugin().urlnotify, nullptr);
    ASSERT_NE(JavaClass(), 0u);
    EXPECT_TRUE(vm_.IsSameObject(JavaClass(), vm_.FindClass("NPLensObj")));
    const std::vector<std::string> bound = {
        "netscape/plugin/Plugin", "netscape/javascript/JSObject", "java/util/Vector",
        "java/lang/Object", "java/lang/Number", "java/lang/Class", "java/lang/Integer",
        "java/lang/Float", "java/lang/Double", "java/lang/Boolean", "java/lang/Long", "NPLensObj",
        // Registering its natives finds the class once, binding its members once more.
        "NPLensObj"};
    std::vector<std::string> found = vm_.LogOf("FindClass ");
    found.pop_back();  // the test's own lookup above
    EXPECT_EQ(found, bound);
    EXPECT_EQ(vm_.PendingClass(), "");
    EXPECT_EQ(vm_.GlobalRefCount(), startRefs + 13);

    // Shutdown lets go of every class once, the module's first and the plug-in class last;
    // the browser's reference stays the browser's.
    vm_.ClearLog();
    EXPECT_EQ(host_->Shutdown(), NPERR_NO_ERROR);
    const std::vector<std::string> unbound = {"NPLensObj",         "netscape/javascript/JSObject",
                                              "java/lang/Object",  "java/lang/Number",
                                              "java/lang/Class",   "java/lang/Integer",
                                              "java/lang/Float",   "java/lang/Double",
                                              "java/lang/Boolean", "java/lang/Long",
                                              "java/util/Vector",  "netscape/plugin/Plugin"};
    EXPECT_EQ(vm_.LogOf("DisposeGlobalRef "), unbound);
    EXPECT_EQ(vm_.GlobalRefCount(), startRefs + 1);

    // The browser's table is forgotten: a second shutdown reaches no Java through it.
    const int calls = host_->JavaEnvCalls();
    vm_.ClearLog();
    EXPECT_EQ(host_->Shutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(host_->JavaEnvCalls(), calls);
    EXPECT_TRUE(vm_.Log().empty());
}

TEST_F(NPLensObjLibrary, AMissingClassLeavesTheBrowserWithoutAJavaClass) {
    vm_.SetClassMissing("NPLensObj");
    ASSERT_EQ(host_->GetEntryPoints(), NPERR_NO_ERROR);
    EXPECT_EQ(Initialize(0x0009), NPERR_NO_ERROR);
    EXPECT_NE(host_->Plugin().urlnotify, nullptr);
    EXPECT_EQ(host_->Plugin().javaClass, nullptr);
    EXPECT_EQ(vm_.PendingClass(), "java/lang/ClassNotFoundException");
    EXPECT_EQ(vm_.PendingMessage(), "NPLensObj");
}

// A browser that initialises before asking for the entry points has no table yet: nothing
// is written through it, and the bridge is still decided (shutdown unbinds).
TEST_F(NPLensObjLibrary, InitializeBeforeTheEntryPoints) {
    EXPECT_EQ(Initialize(0x0009), NPERR_NO_ERROR);
    EXPECT_EQ(host_->JavaEnvCalls(), 0);
    ASSERT_EQ(host_->GetEntryPoints(), NPERR_NO_ERROR);
    EXPECT_EQ(host_->Plugin().urlnotify, nullptr);
    EXPECT_EQ(host_->Plugin().javaClass, nullptr);
    EXPECT_EQ(host_->Shutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(host_->JavaEnvCalls(), 1);
}

// The gates with no NPP and with an NPP whose object is missing.
TEST_F(NPLensObjLibrary, CallsWithoutAnInstance) {
    ASSERT_EQ(host_->Start(), NPERR_NO_ERROR);
    NPPluginFuncs& f = host_->Plugin();
    NPP_t empty;
    for (NPP npp : {static_cast<NPP>(nullptr), &empty}) {
        NPWindow window;
        NPStream stream;
        std::uint16_t stype = 0;
        char bytes[4] = {};
        NPPrint print;
        EXPECT_EQ(f.destroy(npp, nullptr),
                  npp == nullptr ? NPERR_INVALID_INSTANCE_ERROR : NPERR_NO_ERROR);
        EXPECT_EQ(f.setwindow(npp, &window), NPERR_INVALID_INSTANCE_ERROR);
        EXPECT_EQ(f.newstream(npp, nullptr, &stream, 0, &stype), NPERR_INVALID_INSTANCE_ERROR);
        EXPECT_EQ(f.write(npp, &stream, 0, 4, bytes), NPERR_INVALID_INSTANCE_ERROR);
        EXPECT_EQ(f.destroystream(npp, &stream, 0), NPERR_INVALID_INSTANCE_ERROR);
        EXPECT_EQ(f.writeready(npp, &stream), 0);
        f.asfile(npp, &stream, "file");
        f.print(npp, &print);
        f.urlnotify(npp, "url", 0, nullptr);
        EXPECT_EQ(stype, 0);
    }
    EXPECT_EQ(f.newp(nullptr, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
              NPERR_INVALID_INSTANCE_ERROR);
}

// One class serves every type; a full page without attributes, its source stream and its
// print are answered by the defaults.
TEST_F(NPLensObjLibrary, InstancesOfAnyTypeAndTheirDefaults) {
    ASSERT_EQ(host_->Start(), NPERR_NO_ERROR);
    NPError result = -1;
    auto embedded = host_->NewInstance({{"hidden", "false"}}, &result, NP_EMBED, "text/plain");
    EXPECT_EQ(result, NPERR_NO_ERROR);
    ASSERT_NE(embedded, nullptr);
    EXPECT_NE(embedded->npp()->pdata, nullptr);

    auto page = host_->NewInstance({}, &result, NP_FULL);
    EXPECT_EQ(result, NPERR_NO_ERROR);
    ASSERT_NE(page, nullptr);
    const auto answers = page->Stream(std::string(10000, 'x'), NPRES_DONE, 3000);
    EXPECT_EQ(answers.newStream, NPERR_NO_ERROR);
    EXPECT_EQ(answers.stype, NP_NORMAL);
    EXPECT_EQ(answers.writeReady, 0x7FFFFFFF);
    EXPECT_EQ(answers.accepted, 10000);
    EXPECT_EQ(answers.destroyStream, NPERR_NO_ERROR);
    NPPrint print;
    print.mode = NP_FULL;
    print.print.fullPrint.pluginPrinted = true;
    page->Print(&print);
    EXPECT_FALSE(print.print.fullPrint.pluginPrinted);
    EXPECT_EQ(page->Destroy(), NPERR_NO_ERROR);
    EXPECT_EQ(page->npp()->pdata, nullptr);
}

// Inside the other family's shell programs the bridge stays off, whatever the case of the
// name; URL notification stays on.
TEST(NPLensObjHost, ShellProgramsGetNoJava) {
    testing_support::TempDir dir;
    const auto report = [](const std::string& program) {
        return testing_support::RunTool("'" + program + "' --entry-report '" NPLENSOBJ_PATH "'");
    };
    for (const char* name : {"iexplore.exe", "Explorer.exe"}) {
        const std::string copy = dir.Path(name);
        std::filesystem::copy_file(NPAPI_HOST_PATH, copy);
        std::filesystem::permissions(copy, std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
        EXPECT_EQ(report(copy), "start 0 urlnotify 1 javaClass 0 javaEnvCalls 0\n") << name;
    }
    EXPECT_EQ(report(NPAPI_HOST_PATH).substr(0, 31), "start 0 urlnotify 1 javaClass 1");
}

}  // namespace
