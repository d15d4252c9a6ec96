// Page events, automation errors and the natives of the Java class NPLensObj, through the
// browser host and its Java machine, with the viewer control (or, where the control must
// fail, a control that stands in for it).
#include <dlfcn.h>

#include <bit>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QWidget>

#include "control-plugin/framework/NsxOcxPlugin.h"
#include "control-plugin/tests/SwitchControl.h"
#include "platform/com/tests/TemporaryRegistry.h"
#include "platform/jri/testing/FakeVm.h"
#include "testing/NpapiHost.h"
#include "testing/QtTestApp.h"

namespace {

using namespace platform;
using testing_support::NpapiHost;

constexpr CLSID kLensObj{
    0x7A3E51C2, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};
constexpr jint kPeer = 0x51;
const std::string kString = "Ljava/lang/String;";
const std::string kObject = "Ljava/lang/Object;";

using Stub = jint* (*)(jint* block, JRIEnv* env);

class NPLensObjBridge : public ::testing::Test {
protected:
    void SetUp() override { Start(VANTELO_CONTROL_LIBRARY); }
    void TearDown() override {
        instance_.reset();
        host_.reset();
    }

    void Start(const char* control, bool java = true) {
        testing_support::TestApplication();
        com_test::Register(kLensObj, control);
        host_ = std::make_unique<NpapiHost>();
        if (java) host_->UseJava(&vm_);
        ASSERT_TRUE(host_->Load(NPLENSOBJ_PATH)) << host_->LoadError();
        ASSERT_EQ(host_->Start(), NPERR_NO_ERROR);
    }
    // An instance in a window of the page, with a Java peer of id kPeer.
    void Embed(const NpapiHost::Attributes& attributes) {
        instance_ = host_->NewInstance(attributes);
        ASSERT_NE(instance_, nullptr);
        instance_->MakeWindow(200, 150, &page_);
        ASSERT_EQ(instance_->SetWindow(), NPERR_NO_ERROR);
        peer_ = vm_.NewPluginObject(kPeer);
        instance_->SetJavaPeer(peer_);
        vm_.ClearLog();
    }
    // Fires a control event as the control does, through the site's event sink.
    HRESULT Fire(DISPID id, std::vector<Variant> arguments) {
        auto* plugin =
            static_cast<CNsxOcxPlugin*>(static_cast<CNsxActiveXPlugin*>(instance_->npp()->pdata));
        if (plugin->controlWindow() == nullptr || plugin->controlWindow()->site() == nullptr) {
            return E_FAIL;
        }
        ComPtr<IDispatch> sink;
        IUnknown* unknown = plugin->controlWindow()->site()->eventSink();
        if (unknown == nullptr || Failed(unknown->QueryInterface(IID_IDispatch, sink.Out()))) {
            return E_FAIL;
        }
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<std::uint32_t>(reversed.size()), 0};
        return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
    // The page calls so far, as "f(1.5, 2.0)".
    std::vector<std::string> PageCalls() {
        std::vector<std::string> calls;
        for (const auto& call : vm_.PageCalls()) {
            std::string text = call.function + "(";
            for (std::size_t i = 0; i < call.args.size(); ++i) {
                text += (i > 0 ? ", " : "") + vm_.Describe(call.args[i]);
            }
            calls.push_back(text + ")");
        }
        return calls;
    }
    jvalue Call(const std::string& name, const std::string& signature,
                const std::vector<jvalue>& args = {}, jref self = 0) {
        return vm_.Call(self != 0 ? self : peer_, name, signature, args);
    }
    jref Text(const std::string& text) { return vm_.NewStringOf(text); }
    Stub StubOf(const std::string& native) {
        return reinterpret_cast<Stub>(
            host_->Symbol(("Java_NPLensObj_" + native + "_stub").c_str()));
    }

    jri_testing::FakeVm vm_;
    // The page is a widget, so the application comes first, whichever test runs alone.
    bool application_ = (testing_support::TestApplication(), true);
    QWidget page_;
    std::unique_ptr<NpapiHost> host_;
    std::unique_ptr<NpapiHost::Instance> instance_;
    jref peer_ = 0;
};

TEST_F(NPLensObjBridge, ControlEventsCallTheFunctionsTheEmbedNames) {
    Embed({{"EVENT_onload", "loaded"},
           {"event_Load", "never"},
           {"event_ChangedPos", "first"},
           {"event_ChangedPos", "f"},
           {"event_OnCursor", "cursor"},
           {"event_OnChangeMode", "mode"}});
    ASSERT_EQ(Fire(3, {}), S_OK);
    ASSERT_EQ(Fire(1, {Variant::R4(1.5f), Variant::R4(2.0f), Variant::R4(0.25f)}), S_OK);
    ASSERT_EQ(Fire(6, {Variant::I2(1), Variant::I2(-20), Variant::I2(30)}), S_OK);
    ASSERT_EQ(Fire(5, {Variant::I2(2), Variant::I2(640), Variant::I2(480)}), S_OK);
    // No function for these.
    ASSERT_EQ(Fire(2, {}), S_OK);
    ASSERT_EQ(Fire(4, {}), S_OK);
    EXPECT_EQ(PageCalls(), (std::vector<std::string>{"loaded()", "f(1.5, 2.0, 0.25)",
                                                     "cursor(1, -20, 30)", "mode(2, 640, 480)"}));
    for (const auto& call : vm_.PageCalls()) {
        for (jref argument : call.args) {
            const std::string type = vm_.ClassNameOf(argument);
            EXPECT_TRUE(type == "java/lang/Float" || type == "java/lang/Integer") << type;
        }
    }

    // Without a Java peer the page is not reached.
    instance_->SetJavaPeer(0);
    ASSERT_EQ(Fire(3, {}), S_OK);
    EXPECT_EQ(vm_.PageCalls().size(), 4u);
}

TEST_F(NPLensObjBridge, WithoutTheBrowsersJavaEventsGoNowhere) {
    host_.reset();
    Start(VANTELO_CONTROL_LIBRARY, false);
    Embed({{"event_OnLoad", "loaded"}});
    ASSERT_EQ(Fire(3, {}), S_OK);
    EXPECT_TRUE(vm_.PageCalls().empty());
}

TEST_F(NPLensObjBridge, PageScriptsReachTheControlByNameThroughHandles) {
    Embed({{"param_fit", "304"}});
    const jint handle = Call("GetObject", "()I").i;
    ASSERT_NE(handle, 0);
    const std::string get = "(I" + kString + ")" + kObject;
    const jref fit = Call("getObjectProperty", get, {JriValue(handle), JriValue(Text("Fit"))}).r;
    EXPECT_EQ(vm_.ClassNameOf(fit), "java/lang/Integer");
    EXPECT_EQ(vm_.Describe(fit), "304");

    // A put by name, a method by name with its arguments as VARIANTs.
    Call("setObjectProperty", "(I" + kString + kObject + ")V",
         {JriValue(handle), JriValue(Text("BorderWidth")), JriValue(vm_.NewStringOf("7"))});
    EXPECT_EQ(Call("getBorderWidth", "()I").i, 7);
    Call("invokeObjectMethod", "(I" + kString + kObject + kObject + ")" + kObject,
         {JriValue(handle), JriValue(Text("ReSizeCanvas")), JriValue(vm_.NewInteger(640)),
          JriValue(vm_.NewDouble(480.0))});
    EXPECT_EQ(Call("getCanvasWidth", "()I").i, 640);
    EXPECT_EQ(Call("getCanvasHeight", "()I").i, 480);

    // Unknown and null names, and handles never handed out or given back, give null and
    // reach no error function.
    Call("setErrorHandler", "(" + kString + ")V", {JriValue(Text("onError"))});
    EXPECT_EQ(Call("getObjectProperty", get, {JriValue(handle), JriValue(Text("Nothing"))}).r, 0u);
    EXPECT_EQ(Call("getObjectProperty", get, {JriValue(handle), JriValue(jref{0})}).r, 0u);
    EXPECT_EQ(Call("invokeObjectMethod", "(I" + kString + ")" + kObject,
                   {JriValue(handle), JriValue(Text("Nothing"))})
                  .r,
              0u);
    EXPECT_EQ(Call("getObjectProperty", get, {JriValue(12345), JriValue(Text("Fit"))}).r, 0u);
    Call("ReleaseObject", "(I)V", {JriValue(12345)});
    Call("ReleaseObject", "(I)V", {JriValue(handle)});
    Call("ReleaseObject", "(I)V", {JriValue(handle)});
    EXPECT_EQ(Call("getObjectProperty", get, {JriValue(handle), JriValue(Text("Fit"))}).r, 0u);
    EXPECT_TRUE(vm_.PageCalls().empty());
    EXPECT_EQ(vm_.PendingClass(), "");
    EXPECT_EQ(vm_.Describe(Call("getErrorHandler", "()" + kString).r), "\"onError\"");

    // The control itself is still there for the typed natives.
    EXPECT_EQ(Call("getFit", "()I").i, 304);
}

// Two pages of different sites share the library: the second one's viewer never called
// GetObject, and tries the numbers the first one may have been given.
TEST_F(NPLensObjBridge, AHandleServesOnlyTheInstanceThatReceivedIt) {
    const std::string secret = "file:///home/user/private/secret-plan.jpg";
    Embed({{"param_filename", secret}, {"param_borderwidth", "3"}});
    QWidget otherPage;
    auto other = host_->NewInstance({});
    ASSERT_NE(other, nullptr);
    other->MakeWindow(200, 150, &otherPage);
    ASSERT_EQ(other->SetWindow(), NPERR_NO_ERROR);
    const jref otherPeer = vm_.NewPluginObject(kPeer + 1);
    other->SetJavaPeer(otherPeer);

    const jint handle = Call("GetObject", "()I").i;
    ASSERT_NE(handle, 0);
    const std::string get = "(I" + kString + ")" + kObject;
    const std::string put = "(I" + kString + kObject + ")V";
    EXPECT_NE(
        vm_.Describe(
               Call("getObjectProperty", get, {JriValue(handle), JriValue(Text("Filename"))}).r)
            .find("secret-plan"),
        std::string::npos);
    for (jint guess = 1; guess <= handle + 8; ++guess) {
        EXPECT_EQ(
            Call("getObjectProperty", get, {JriValue(guess), JriValue(Text("Filename"))}, otherPeer)
                .r,
            0u)
            << guess;
        Call("setObjectProperty", put,
             {JriValue(guess), JriValue(Text("BorderWidth")), JriValue(Text("40"))}, otherPeer);
        // Giving back a number it never received frees nothing of the first page's.
        Call("ReleaseObject", "(I)V", {JriValue(guess)}, otherPeer);
    }
    EXPECT_EQ(Call("getBorderWidth", "()I").i, 3);
    EXPECT_EQ(
        vm_.Describe(
            Call("getObjectProperty", get, {JriValue(handle), JriValue(Text("BorderWidth"))}).r),
        "3");

    // The second viewer's own handle serves it, and the first viewer gets null for it.
    const jint own = Call("GetObject", "()I", {}, otherPeer).i;
    ASSERT_NE(own, 0);
    EXPECT_NE(own, handle);
    Call("setObjectProperty", put,
         {JriValue(own), JriValue(Text("BorderWidth")), JriValue(Text("9"))}, otherPeer);
    EXPECT_EQ(Call("getBorderWidth", "()I", {}, otherPeer).i, 9);
    EXPECT_EQ(Call("getObjectProperty", get, {JriValue(own), JriValue(Text("Filename"))}).r, 0u);
    EXPECT_EQ(Call("getBorderWidth", "()I").i, 3);
    other.reset();
}

// Each instance holds so many handles at most; past them GetObject answers as for no control.
TEST_F(NPLensObjBridge, AnInstanceHoldsALimitedNumberOfHandles) {
    Embed({});
    constexpr int kLimit = 65536;
    std::set<jint> handles;
    for (int i = 0; i < kLimit; ++i) {
        const jint handle = Call("GetObject", "()I").i;
        ASSERT_GT(handle, 0) << i;
        handles.insert(handle);
    }
    EXPECT_EQ(handles.size(), static_cast<std::size_t>(kLimit));
    EXPECT_EQ(Call("GetObject", "()I").i, 0);
    // Another instance is not held back by this one's.
    QWidget otherPage;
    auto other = host_->NewInstance({});
    ASSERT_NE(other, nullptr);
    other->MakeWindow(100, 100, &otherPage);
    ASSERT_EQ(other->SetWindow(), NPERR_NO_ERROR);
    const jref otherPeer = vm_.NewPluginObject(kPeer + 1);
    other->SetJavaPeer(otherPeer);
    EXPECT_NE(Call("GetObject", "()I", {}, otherPeer).i, 0);
    // One given back makes room for one.
    Call("ReleaseObject", "(I)V", {JriValue(*handles.begin())});
    const jint again = Call("GetObject", "()I").i;
    EXPECT_NE(again, 0);
    EXPECT_EQ(handles.count(again), 0u);
    EXPECT_EQ(Call("GetObject", "()I").i, 0);
    other.reset();
}

TEST_F(NPLensObjBridge, EveryTypedNativeWorksThroughItsStub) {
    Embed({});
    JRIEnv* env = &vm_;
    const jint self = static_cast<jint>(peer_);
    // Each property: its value read, then written back changed where the viewer allows it.
    const std::vector<std::string> ints = {"BackColor",   "UserInterfaceLock", "BgColor",
                                           "CanvasColor", "CanvasWidth",       "CanvasHeight",
                                           "BorderColor", "BorderWidth",       "BorderHeight",
                                           "Fit",         "ShowLogo",          "Fullscreen"};
    for (const std::string& name : ints) {
        jint block[2] = {self, 0};
        ASSERT_NE(StubOf("get" + name), nullptr) << name;
        EXPECT_EQ(StubOf("get" + name)(block, env), block + 1) << name;
        const jint value = name == "Fullscreen" ? block[0] : block[0] + 1;
        jint put[2] = {self, value};
        EXPECT_EQ(StubOf("set" + name)(put, env), put) << name;
        block[0] = self;
        StubOf("get" + name)(block, env);
        EXPECT_EQ(block[0], value) << name;
    }
    const std::vector<std::string> floats = {"Version",  "MaxZoom", "MinZoom", "ZoomSpeed",
                                             "PanSpeed", "PosX",    "PosY",    "PosZ"};
    for (const std::string& name : floats) {
        jint block[2] = {self, 0};
        EXPECT_EQ(StubOf("get" + name)(block, env), block + 1) << name;
        jint put[2] = {self, block[0]};
        EXPECT_EQ(StubOf("set" + name)(put, env), put) << name;
    }
    jint zoom[2] = {self, std::bit_cast<jint>(2.5f)};
    StubOf("setPosZ")(zoom, env);
    jint readZoom[1] = {self};
    StubOf("getPosZ")(readZoom, env);
    EXPECT_EQ(std::bit_cast<float>(readZoom[0]), 2.5f);

    jint name[2] = {self, static_cast<jint>(vm_.NewStringOf("picture.jpg"))};
    EXPECT_EQ(StubOf("setFilename")(name, env), name);
    jint readName[1] = {self};
    EXPECT_EQ(StubOf("getFilename")(readName, env), readName + 1);
    EXPECT_NE(vm_.Utf8(static_cast<jref>(readName[0])).find("picture.jpg"), std::string::npos);

    jint resize[3] = {self, 800, 600};
    EXPECT_EQ(StubOf("ReSizeCanvas")(resize, env), resize);
    EXPECT_EQ(Call("getCanvasWidth", "()I").i, 800);
    jint position[4] = {self, std::bit_cast<jint>(0.25f), std::bit_cast<jint>(0.75f),
                        std::bit_cast<jint>(1.0f)};
    EXPECT_EQ(StubOf("SetPosition")(position, env), position);
    jint move[6] = {
        self, std::bit_cast<jint>(0.5f), std::bit_cast<jint>(0.5f), std::bit_cast<jint>(1.0f), 0,
        0};
    EXPECT_EQ(StubOf("MoveTo")(move, env), move);
    for (const char* method : {"RedrawCanvas", "ZoomUnlock", "SetFocus"}) {
        jint block[1] = {self};
        EXPECT_EQ(StubOf(method)(block, env), block) << method;
    }
    jint lock[3] = {self, 1, 1};
    EXPECT_EQ(StubOf("ZoomLock")(lock, env), lock);
    jint unlock[1] = {self};
    StubOf("ZoomUnlock")(unlock, env);

    // GetPosition into a Vector, a float array and targets that hold no float.
    const jref vector = vm_.NewVector({vm_.NewInteger(0)});
    float one = 0.0f;
    const jref floats1 = vm_.NewScalarArray(1, 'F', &one);
    const jref floats0 = vm_.NewScalarArray(0, 'F', nullptr);
    const jref empty = vm_.NewVector({});
    const jref text = vm_.NewStringOf("abc");
    jint where[4] = {self, static_cast<jint>(vector), static_cast<jint>(floats1),
                     static_cast<jint>(floats0)};
    EXPECT_EQ(StubOf("GetPosition")(where, env), where);
    const float x = Call("getPosX", "()F").f;
    const float y = Call("getPosY", "()F").f;
    EXPECT_EQ(vm_.ClassNameOf(vm_.Call(vector, "elementAt", "(I)" + kObject, {JriValue(0)}).r),
              "java/lang/Float");
    EXPECT_EQ(vm_.Describe(vector), "Vector[" + vm_.Describe(vm_.NewFloat(x)) + "]");
    EXPECT_EQ(static_cast<const float*>(vm_.GetScalarArrayElements(floats1))[0], y);
    Call("GetPosition", "(" + kObject + kObject + kObject + ")V",
         {JriValue(empty), JriValue(text), JriValue(jref{0})});
    EXPECT_EQ(vm_.Describe(empty), "Vector[]");
    EXPECT_EQ(vm_.Describe(text), "\"abc\"");
    EXPECT_EQ(vm_.Describe(floats0), "[]");

    // A Vector holding itself, as an argument by name.
    const jref itself = vm_.NewVector({});
    vm_.Call(itself, "addElement", "(" + kObject + ")V", {JriValue(itself)});
    const jint handle = Call("GetObject", "()I").i;
    EXPECT_EQ(Call("invokeObjectMethod", "(I" + kString + kObject + ")" + kObject,
                   {JriValue(handle), JriValue(Text("ZoomLock")), JriValue(itself)})
                  .r,
              0u);
    EXPECT_EQ(vm_.PendingClass(), "");
    // The machine's objects go when the test does: the cycle is broken first.
    vm_.Call(itself, "setElementAt", "(" + kObject + "I)V", {JriValue(jref{0}), JriValue(0)});
}

TEST_F(NPLensObjBridge, NativesOfAGoneOrForgedInstanceDoNothing) {
    Embed({{"param_fit", "304"}});
    const jref forged = vm_.NewPluginObject(0x7777);
    EXPECT_EQ(Call("getFit", "()I", {}, forged).i, 0);
    EXPECT_EQ(Call("GetObject", "()I", {}, forged).i, 0);
    EXPECT_EQ(Call("getFilename", "()" + kString, {}, forged).r, 0u);
    jint block[1] = {static_cast<jint>(forged)};
    EXPECT_EQ(StubOf("getPosX")(block, &vm_), block + 1);
    EXPECT_EQ(block[0], 0);
    const jref noPeer = vm_.NewPluginObject(0);
    EXPECT_EQ(Call("getFit", "()I", {}, noPeer).i, 0);
    EXPECT_EQ(Call("getFit", "()I").i, 304);

    ASSERT_EQ(instance_->Destroy(), NPERR_NO_ERROR);
    EXPECT_EQ(Call("getFit", "()I").i, 0);
    EXPECT_EQ(Call("getErrorHandler", "()" + kString).r, 0u);
    Call("setFit", "(I)V", {JriValue(5)});
    jint about[1] = {static_cast<jint>(peer_)};
    EXPECT_EQ(StubOf("AboutBox")(about, &vm_), about);
    EXPECT_EQ(vm_.PendingClass(), "");
}

TEST_F(NPLensObjBridge, TheClassIsUnregisteredAtShutdown) {
    for (const std::string& native : jri_testing::LensObjNatives()) {
        EXPECT_TRUE(vm_.NativeBound("NPLensObj", native)) << native;
    }
    Embed({});
    EXPECT_NE(Call("GetObject", "()I").i, 0);
    instance_.reset();
    const int refs = vm_.GlobalRefCount();
    ASSERT_EQ(host_->Shutdown(), NPERR_NO_ERROR);
    EXPECT_FALSE(vm_.NativeBound("NPLensObj", "GetObject()I"));
    EXPECT_LT(vm_.GlobalRefCount(), refs);
}

TEST(NPLensObjJavaClass, AMissingClassLeavesClassNotFoundPending) {
    testing_support::TestApplication();
    jri_testing::FakeVm vm;
    vm.SetClassMissing("NPLensObj");
    NpapiHost host;
    host.UseJava(&vm);
    ASSERT_TRUE(host.Load(NPLENSOBJ_PATH)) << host.LoadError();
    ASSERT_EQ(host.Start(), NPERR_NO_ERROR);
    EXPECT_EQ(vm.PendingClass(), "java/lang/ClassNotFoundException");
    EXPECT_EQ(vm.PendingMessage(), "NPLensObj");
}

// A control that refuses every call, standing in for the viewer.
class NPLensObjErrors : public NPLensObjBridge {
protected:
    void SetUp() override {
        reinterpret_cast<switch_control::SetSwitchesFunction>(Switch("SwitchControlSet"))(
            switch_control::kFailAutomation);
        Start(SWITCH_CONTROL_LIBRARY);
    }
    void TearDown() override {
        NPLensObjBridge::TearDown();
        reinterpret_cast<switch_control::SetSwitchesFunction>(Switch("SwitchControlSet"))(0);
    }
    static void* Switch(const char* name) {
        static void* library = dlopen(SWITCH_CONTROL_LIBRARY, RTLD_NOW);
        return library != nullptr ? dlsym(library, name) : nullptr;
    }
};

TEST_F(NPLensObjErrors, AutomationErrorsReachTheCallerOrThePage) {
    Embed({});
    // No error function: the Java caller gets the control's description.
    Call("setFit", "(I)V", {JriValue(5)});
    EXPECT_EQ(vm_.PendingClass(), "java/lang/Exception");
    EXPECT_EQ(vm_.PendingMessage(), switch_control::kRefusal);
    vm_.ExceptionClear();

    // "void" silences them.
    Call("setErrorHandler", "(" + kString + ")V", {JriValue(Text("void"))});
    Call("setFit", "(I)V", {JriValue(5)});
    EXPECT_EQ(vm_.PendingClass(), "");
    EXPECT_TRUE(vm_.PageCalls().empty());

    // A named function gets the six values; a getter then answers 0.
    Call("setErrorHandler", "(" + kString + ")V", {JriValue(Text("onError"))});
    EXPECT_EQ(Call("getPosX", "()F").f, 0.0f);
    ASSERT_EQ(vm_.PageCalls().size(), 1u);
    const auto& call = vm_.PageCalls()[0];
    EXPECT_EQ(call.function, "onError");
    ASSERT_EQ(call.args.size(), 6u);
    const char* types[] = {"java/lang/Integer", "java/lang/String", "java/lang/Integer",
                           "java/lang/String",  "java/lang/String", "java/lang/Integer"};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(vm_.ClassNameOf(call.args[i]), types[i]);
    EXPECT_EQ(vm_.Describe(call.args[0]), std::to_string(switch_control::kRefusalCode));
    EXPECT_EQ(vm_.Describe(call.args[1]), "\"" + std::string(switch_control::kRefusal) + "\"");
    EXPECT_EQ(vm_.Describe(call.args[3]), "\"SwitchControl\"");
    EXPECT_EQ(vm_.Describe(call.args[4]), "\"switch.hlp\"");
    EXPECT_EQ(vm_.Describe(call.args[5]), "42");
    EXPECT_EQ(vm_.PendingClass(), "");
}

// A control that takes puts by name and counts its objects.
class NPLensObjHandles : public NPLensObjErrors {
protected:
    void SetUp() override { Start(SWITCH_CONTROL_LIBRARY); }
    static std::string TakeLog() {
        return reinterpret_cast<switch_control::TakeLogFunction>(Switch("SwitchControlTakeLog"))();
    }
    static int LiveControls() {
        return reinterpret_cast<switch_control::CountFunction>(
            Switch("SwitchControlLiveObjects"))();
    }
};

TEST_F(NPLensObjHandles, HandlesDieWithTheirInstance) {
    const std::string put = "(I" + kString + kObject + ")V";
    Embed({});
    const jint handle = Call("GetObject", "()I").i;
    ASSERT_NE(handle, 0);
    TakeLog();
    Call("setObjectProperty", put,
         {JriValue(handle), JriValue(Text("alpha")), JriValue(Text("x"))});
    EXPECT_NE(TakeLog().find("Put 1=x"), std::string::npos);

    // The page still holds the handle when the instance ends: the control goes all the same.
    ASSERT_EQ(instance_->Destroy(), NPERR_NO_ERROR);
    EXPECT_EQ(LiveControls(), 0);

    // The page's next instance gets nothing through the old number, under the same peer id.
    instance_.reset();
    Embed({});
    TakeLog();
    Call("setObjectProperty", put,
         {JriValue(handle), JriValue(Text("alpha")), JriValue(Text("y"))});
    EXPECT_EQ(TakeLog().find("Put"), std::string::npos);
    const jint fresh = Call("GetObject", "()I").i;
    EXPECT_NE(fresh, 0);
    EXPECT_NE(fresh, handle);
}

TEST_F(NPLensObjErrors, APlainFailureGivesCodeZeroAndItsStatus) {
    reinterpret_cast<switch_control::SetSwitchesFunction>(Switch("SwitchControlSet"))(
        switch_control::kFailCalls);
    host_.reset();
    Start(SWITCH_CONTROL_LIBRARY);
    Embed({});
    Call("setErrorHandler", "(" + kString + ")V", {JriValue(Text("onError"))});
    Call("setBgColor", "(I)V", {JriValue(1)});
    ASSERT_EQ(vm_.PageCalls().size(), 1u);
    const auto& args = vm_.PageCalls()[0].args;
    ASSERT_EQ(args.size(), 6u);
    EXPECT_EQ(vm_.Describe(args[0]), "0");
    EXPECT_EQ(vm_.Describe(args[1]), "\"\"");
    EXPECT_EQ(vm_.Describe(args[2]), std::to_string(switch_control::kCallFailure));
    EXPECT_EQ(vm_.Describe(args[5]), "0");
}

#ifdef NPLENSOBJ_CLASS
// The class file beside the library declares exactly the natives the library registers and
// the public by-name methods.
TEST(NPLensObjJavaClass, DeclaresTheRegisteredNativesAndTheByNameMethods) {
    FILE* pipe = ::popen(
        (std::string(JAVAP_PATH) + " -J-XX:-UsePerfData -s -p '" + NPLENSOBJ_CLASS + "'").c_str(),
        "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0) << output;

    // Each member is a declaration line followed by its descriptor line.
    std::multiset<std::string> natives;
    std::multiset<std::string> methods;
    std::string name;
    std::size_t at = 0;
    while (at < output.size()) {
        std::size_t end = output.find('\n', at);
        if (end == std::string::npos) end = output.size();
        const std::string line = output.substr(at, end - at);
        at = end + 1;
        const std::size_t open = line.find('(');
        if (line.find("descriptor:") != std::string::npos) {
            const std::string descriptor = line.substr(line.find(':') + 2);
            if (name.empty()) continue;
            (name.front() == '!' ? natives : methods).insert(name.substr(1) + descriptor);
            name.clear();
        } else if (open != std::string::npos) {
            const std::size_t start = line.rfind(' ', open) + 1;
            const bool native = line.find(" native ") != std::string::npos;
            name = (native ? "!" : "-") + line.substr(start, open - start);
        }
    }
    const auto& registered = jri_testing::LensObjNatives();
    EXPECT_EQ(natives, std::multiset<std::string>(registered.begin(), registered.end()));
    std::multiset<std::string> overloads = {"NPLensObj()V"};
    std::string objects;
    for (int k = 0; k <= 6; ++k) {
        if (k <= 3) overloads.insert("getObjectProperty(I" + kString + objects + ")" + kObject);
        if (k <= 3) overloads.insert("setObjectProperty(I" + kString + objects + kObject + ")V");
        overloads.insert("invokeObjectMethod(I" + kString + objects + ")" + kObject);
        objects += kObject;
    }
    EXPECT_EQ(methods, overloads);
}
#endif

}  // namespace
