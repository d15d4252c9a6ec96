// The framework linked in: the module object, the Java helpers and the class registry.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "control-plugin/NPLensObjPlugin.h"
#include "control-plugin/bridge/JavaClasses.h"
#include "control-plugin/framework/NsxApp.h"
#include "control-plugin/framework/NsxPluginFactory.h"
#include "control-plugin/tests/TestPlugin.h"
#include "platform/jri/testing/FakeVm.h"

namespace control_plugin_test {

int TestPlugin::alive = 0;

namespace {

jri_testing::FakeVm* browserVm = nullptr;
jref browserPeer = 0;

// A browser of 0.9 whose Java is a machine of the test's own.
class NsxFramework : public ::testing::Test {
protected:
    void SetUp() override {
        browserVm = &vm_;
        browser_.size = sizeof browser_;
        browser_.version = 0x0009;
        browser_.getJavaEnv = []() -> JRIEnv* { return browserVm; };
        browser_.getJavaPeer = [](NPP) -> jref { return browserPeer; };
        ASSERT_EQ(GetPluginApp()->GetEntryPoints(&plugin_), NPERR_NO_ERROR);
    }
    void TearDown() override {
        GetPluginApp()->Shutdown();
        browserVm = nullptr;
    }

    // As a browser passes an embed: its type at least.
    NPError New(const char* type, NPP npp) {
        char name[] = "type";
        char* names[] = {name};
        char* values[] = {const_cast<char*>(type)};
        return New(type, npp, 1, names, values);
    }
    NPError New(const char* type, NPP npp, std::int16_t argc, char** argn, char** argv) {
        return plugin_.newp(const_cast<char*>(type), npp, NP_EMBED, argc, argn, argv, nullptr);
    }

    jri_testing::FakeVm vm_;
    NPNetscapeFuncs browser_;
    NPPluginFuncs plugin_;
};

TEST_F(NsxFramework, JavaEnvironmentAndPeerOnlyWhileTheTableIsKept) {
    CNsxApp* app = GetPluginApp();
    EXPECT_EQ(app->LoadingThread(), std::this_thread::get_id());
    ASSERT_EQ(app->Initialize(&browser_), NPERR_NO_ERROR);
    EXPECT_TRUE(app->LiveConnect());
    EXPECT_EQ(GetJavaEnv(), &vm_);
    NPP_t npp;
    browserPeer = 77;
    EXPECT_EQ(GetJavaPeer(&npp), 77u);
    browserPeer = static_cast<jref>(-1);
    EXPECT_EQ(GetJavaPeer(&npp), 0u);
    // A table too short to hold the Java entries is not read past its end.
    browser_.size = offsetof(NPNetscapeFuncs, getJavaEnv);
    EXPECT_EQ(GetJavaEnv(), nullptr);
    browser_.size = sizeof browser_;

    // Shut down, the flag stays as it was but the browser's table is no longer called.
    browserPeer = 77;
    ASSERT_EQ(app->Shutdown(), NPERR_NO_ERROR);
    EXPECT_TRUE(app->LiveConnect());
    EXPECT_EQ(GetJavaEnv(), nullptr);
    EXPECT_EQ(GetJavaPeer(&npp), 0u);
}

TEST_F(NsxFramework, BindingWithAMissingClassAndTheCallersOwnFunctions) {
    vm_.SetClassMissing("netscape/javascript/JSObject");
    ASSERT_EQ(GetPluginApp()->Initialize(&browser_), NPERR_NO_ERROR);
    // The missing class is looked for at both of its places and reported with its name;
    // the others are bound all the same.
    EXPECT_EQ(vm_.LogOf("ThrowNew "),
              (std::vector<std::string>{
                  "java/lang/ClassNotFoundException: netscape/javascript/JSObject",
                  "java/lang/ClassNotFoundException: netscape/javascript/JSObject"}));
    EXPECT_EQ(netscape_javascript_JSObject.clazz(), 0u);
    EXPECT_EQ(netscape_javascript_JSObject.id(JSObject_call), JRIUninitialized);
    EXPECT_GE(java_util_Vector.id(Vector_elementAt), 0);
    EXPECT_GE(netscape_plugin_Plugin.id(Plugin_peer), 0);
    EXPECT_GE(netscape_plugin_Plugin.id(Plugin_getWindow), 0);
    EXPECT_GE(NPLensObj.id(NPLensObj_invokeObjectMethod0 + 6), 0);

    static std::vector<std::string>* order = nullptr;
    std::vector<std::string> seen;
    order = &seen;
    vm_.ClearLog();
    UnbindJavaClasses([](JRIEnv*) { order->push_back("unbind"); });
    EXPECT_EQ(vm_.LogOf("DisposeGlobalRef ").size(), 10u);
    EXPECT_EQ(java_util_Vector.id(Vector_elementAt), JRIUninitialized);
    const jref bound = BindJavaClasses([](JRIEnv* env) -> jref {
        order->push_back("bind");
        return env->FindClass("java/lang/String");
    });
    EXPECT_TRUE(vm_.IsSameObject(bound, vm_.FindClass("java/lang/String")));
    EXPECT_EQ(seen, (std::vector<std::string>{"unbind", "bind"}));
    UnbindJavaClasses(nullptr);
    order = nullptr;
}

TEST(NsxFrameworkHost, ShellProgramNames) {
    struct Case {
        const char* path;
        bool bridgeless;
    };
    const Case cases[] = {
        {"/opt/browser/IEXPLORE.EXE", true},
        {"iexplore.exe", true},
        {"/x/Explorer.exe", true},
        {"/x/MyExplorer.EXE", true},
        {"xplorer.exe", false},
        {"/x/iexplore.ex", false},
        {"/x/iexplore.exe.bak", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsBridgelessHost(c.path), c.bridgeless) << c.path;
    EXPECT_FALSE(IsBridgelessHost(nullptr));
}

TEST_F(NsxFramework, FactoriesChooseByMimeType) {
    ASSERT_EQ(GetPluginApp()->Initialize(&browser_), NPERR_NO_ERROR);
    NPP_t npp;
    // The module's own class takes any type.
    ASSERT_EQ(New("application/x-vantelo-plugin", &npp), NPERR_NO_ERROR);
    auto* lens = dynamic_cast<CNPLensObjPlugin*>(static_cast<CNsxPlugin*>(npp.pdata));
    ASSERT_NE(lens, nullptr);
    EXPECT_EQ(lens->npp(), &npp);
    EXPECT_EQ(*lens->GetControlClsid(), CLSID_LensObj);
    EXPECT_STREQ(lens->GetEventNames()[5], "OnCursor");
    EXPECT_EQ(lens->GetEventNames()[6], nullptr);
    plugin_.destroy(&npp, nullptr);

    {
        // A factory naming the type (in another case) scores 2; on a tie the newer wins.
        struct First : TestPlugin {};
        struct Second : TestPlugin {};
        CNsxPluginFactory first(&CreateNsxPlugin<First>, "application/x-test");
        CNsxPluginFactory second(&CreateNsxPlugin<Second>, "application/x-test");
        ASSERT_EQ(New("Application/X-TEST", &npp), NPERR_NO_ERROR);
        EXPECT_NE(dynamic_cast<Second*>(static_cast<CNsxPlugin*>(npp.pdata)), nullptr);
        plugin_.destroy(&npp, nullptr);
        ASSERT_EQ(New("text/other", &npp), NPERR_NO_ERROR);
        EXPECT_NE(dynamic_cast<CNPLensObjPlugin*>(static_cast<CNsxPlugin*>(npp.pdata)), nullptr);
        plugin_.destroy(&npp, nullptr);

        // A class that cannot be made answers 5 and leaves pdata alone.
        struct Failing : CNsxPluginFactory {
            Failing() : CNsxPluginFactory(nullptr, "application/x-test") {}
            CNsxPlugin* CreateInstance(NPP) override { return nullptr; }
        } failing;
        int untouched = 0;
        npp.pdata = &untouched;
        EXPECT_EQ(New("application/x-test", &npp), NPERR_OUT_OF_MEMORY_ERROR);
        EXPECT_EQ(npp.pdata, &untouched);
    }
    // Gone factories are out of the list again.
    ASSERT_EQ(New("application/x-test", &npp), NPERR_NO_ERROR);
    EXPECT_NE(dynamic_cast<CNPLensObjPlugin*>(static_cast<CNsxPlugin*>(npp.pdata)), nullptr);
    plugin_.destroy(&npp, nullptr);
}

TEST_F(NsxFramework, AFailedNewDeletesTheObject) {
    ASSERT_EQ(GetPluginApp()->Initialize(&browser_), NPERR_NO_ERROR);
    CNsxPluginFactory factory(&CreateNsxPlugin<TestPlugin>, "application/x-test");
    NPP_t npp;
    const int before = TestPlugin::alive;
    // Attributes promised and not given, or no arrays at all: the object refuses with 9.
    char* none[] = {nullptr};
    for (std::int16_t count : {2, 0, -1}) {
        EXPECT_EQ(New("application/x-test", &npp, count, nullptr, nullptr), NPERR_INVALID_PARAM)
            << count;
        EXPECT_EQ(npp.pdata, nullptr);
        EXPECT_EQ(New("application/x-test", &npp, count, none, nullptr), NPERR_INVALID_PARAM);
        EXPECT_EQ(TestPlugin::alive, before);
    }
    // Arrays with nothing in them are an embed without attributes.
    ASSERT_EQ(New("application/x-test", &npp, 0, none, none), NPERR_NO_ERROR);
    EXPECT_EQ(plugin_.destroy(&npp, nullptr), NPERR_NO_ERROR);
    // Null names are skipped, a null value reads as empty.
    char hidden[] = "hidden";
    char* names[] = {nullptr, hidden};
    char* values[] = {hidden, nullptr};
    ASSERT_EQ(New("application/x-test", &npp, 2, names, values), NPERR_NO_ERROR);
    EXPECT_TRUE(static_cast<CNsxPlugin*>(npp.pdata)->hidden());
    EXPECT_EQ(plugin_.destroy(&npp, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(TestPlugin::alive, before);
}

}  // namespace
}  // namespace control_plugin_test
