// Hosting a control: the control data, the site's choices when it creates and initialises a
// control, the property bag, the bind host and the keyboard hook, with a control library of
// the tests' own found through a registry of the test program's own.
#include <dlfcn.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QWidget>

#include "control-plugin/framework/NsxOccManager.h"
#include "control-plugin/framework/NsxOcxPlugin.h"
#include "control-plugin/tests/SwitchControl.h"
#include "platform/com/Ambient.h"
#include "platform/com/tests/NullMessageFilter.h"
#include "platform/com/tests/TemporaryRegistry.h"
#include "platform/net/UrlMoniker.h"
#include "platform/window/InputState.h"
#include "testing/NpapiHost.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace control_plugin_test {
namespace {

using namespace platform;
using namespace switch_control;
using testing_support::NpapiHost;

void* Library() {
    static void* library = ::dlopen(SWITCH_CONTROL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    return library;
}

template <class Function>
Function Entry(const char* name) {
    return reinterpret_cast<Function>(::dlsym(Library(), name));
}

std::string TakeLog() {
    return Entry<TakeLogFunction>("SwitchControlTakeLog")();
}

int LiveControls() {
    return Entry<CountFunction>("SwitchControlLiveObjects")();
}

// An instance hosting the switched control.
class SwitchPlugin : public CNsxOcxPlugin {
public:
    const CLSID* GetControlClsid() override { return &kClass; }
    // Attributes as the browser hands them.
    NPError Start(std::vector<std::string> attributes) {
        // An embed's type comes first.
        attributes.insert(attributes.begin(), {"type", "application/x-switch"});
        std::vector<char*> argn;
        std::vector<char*> argv;
        for (std::size_t i = 0; i + 1 < attributes.size(); i += 2) {
            argn.push_back(attributes[i].data());
            argv.push_back(attributes[i + 1].data());
        }
        return New(nullptr, NP_EMBED, static_cast<std::int16_t>(argn.size()), argn.data(),
                   argv.data(), nullptr);
    }
    NPError Show(QWidget* window) {
        NPWindow record;
        record.window = window;
        return SetWindow(&record);
    }
};

std::string ClassBytes(const CLSID& clsid) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(clsid.data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) bytes += static_cast<char>(clsid.data2 >> (8 * i));
    for (int i = 0; i < 2; ++i) bytes += static_cast<char>(clsid.data3 >> (8 * i));
    bytes.append(reinterpret_cast<const char*>(clsid.data4), 8);
    return bytes;
}

std::string Base64(const std::string& bytes) {
    static const char* alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const auto n = (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16) |
                       (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
        for (int s = 18; s >= 0; s -= 6) out += alphabet[(n >> s) & 63];
    }
    if (i + 1 == bytes.size()) {
        const auto n = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        out += alphabet[(n >> 18) & 63];
        out += alphabet[(n >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        const auto n = (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16) |
                       (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
        out += alphabet[(n >> 18) & 63];
        out += alphabet[(n >> 12) & 63];
        out += alphabet[(n >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string Data(const CNsxOcxPlugin& plugin) {
    const std::vector<std::uint8_t>* data = plugin.controlData();
    return data != nullptr ? std::string(data->begin(), data->end()) : std::string("(none)");
}

class Hosting : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        ASSERT_NE(Library(), nullptr) << ::dlerror();
        com_test::Register(kClass, SWITCH_CONTROL_LIBRARY);
        TakeLog();
        window_ = std::make_unique<QWidget>();
        window_->resize(200, 100);
        window_->show();
    }
    void TearDown() override { EXPECT_EQ(LiveControls(), 0); }

    // A control made with these switches and attributes in the window; the log of its making.
    std::string Make(SwitchPlugin& plugin, std::uint32_t switches,
                     std::vector<std::string> attributes = {}) {
        TakeLog();
        Entry<SetSwitchesFunction>("SwitchControlSet")(switches);
        EXPECT_EQ(plugin.Start(std::move(attributes)), NPERR_NO_ERROR);
        plugin.Show(window_.get());
        return TakeLog();
    }

    std::unique_ptr<QWidget> window_;
};

TEST_F(Hosting, ControlDataDecodesLaxBase64) {
    struct Case {
        const char* text;
        std::string decoded;
    };
    const Case cases[] = {
        {"DATA:application/octet-stream;base64,QUJD", "ABC"},
        {"data:,QUJD", "ABC"},
        {"QUJD", "ABC"},
        {"Q U\r\nJ\t\xC3\xA9\x80\xFF"
         "D",
         "ABC"},
        {"QUJDQUI=", "ABCAB"},
        {"QUJDQQ==", "ABCA"},
        {"QUJDQQ", "ABC"},
        {"QUJDQ=", "ABC"},
        {"QUJD=QUJD", "ABC"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SwitchPlugin plugin;
        plugin.LoadControlData(c.text);
        EXPECT_EQ(Data(plugin), c.decoded);
    }
    // A prefix without a comma changes nothing.
    SwitchPlugin plugin;
    plugin.LoadControlData("QUJD");
    plugin.LoadControlData("DATA:application/octet-stream;base64;QUJE");
    EXPECT_EQ(Data(plugin), "ABC");
}

TEST_F(Hosting, ControlDataIsBoundedToSixteenMebibytes) {
    const std::size_t limit = CNsxOcxPlugin::kMaxControlData;
    SwitchPlugin exact;
    exact.LoadControlData(Base64(std::string(limit, 'x')).c_str());
    ASSERT_NE(exact.controlData(), nullptr);
    EXPECT_EQ(exact.controlData()->size(), limit);

    const std::string over = Base64(std::string(limit + 1, 'x'));
    SwitchPlugin base64;
    base64.LoadControlData(over.c_str());
    EXPECT_EQ(base64.controlData(), nullptr);

    SwitchPlugin stream;
    std::uint16_t stype = 0;
    stream.NewStream(nullptr, nullptr, false, &stype);
    std::string piece(1 << 20, 'y');
    for (std::size_t sent = 0; sent < limit; sent += piece.size()) {
        EXPECT_EQ(stream.Write(nullptr, 0, static_cast<std::int32_t>(piece.size()), piece.data()),
                  static_cast<std::int32_t>(piece.size()));
    }
    ASSERT_NE(stream.controlData(), nullptr);
    EXPECT_EQ(stream.Write(nullptr, 0, 1, piece.data()), 1);
    EXPECT_EQ(stream.controlData(), nullptr);
    EXPECT_TRUE(stream.loading());
    stream.DestroyStream(nullptr, NPRES_DONE);
    EXPECT_FALSE(stream.loading());
}

TEST_F(Hosting, ControlDataChecksTheClassAndStreamsKeepOnlyFinishedData) {
    {
        // The state after the class id reaches the control's stream loader.
        SwitchPlugin plugin;
        plugin.LoadControlData(Base64(ClassBytes(kClass) + "xyz").c_str());
        EXPECT_EQ(Make(plugin, kPersistStream | kPersistBag, {"param_alpha", "one"}),
                  "GetMiscStatus\nLoad stream xyz\nSetClientSite\nDoVerb -5 at 0,0\n");
        EXPECT_NE(plugin.controlData(), nullptr);
        plugin.Destroy(nullptr);
    }
    for (const std::string& bytes :
         {ClassBytes(kClass).substr(0, 15), ClassBytes(CLSID{1, 2, 3, {4}}) + "xyz"}) {
        // Too short or another control's: dropped, and the control starts from its parameters.
        SwitchPlugin plugin;
        plugin.LoadControlData(Base64(bytes).c_str());
        EXPECT_EQ(Make(plugin, kPersistStream | kPersistBag, {"param_alpha", "one"}),
                  "GetMiscStatus\nLoad bag alpha=one\nSetClientSite\nDoVerb -5 at 0,0\n");
        EXPECT_EQ(plugin.controlData(), nullptr);
        plugin.Destroy(nullptr);
    }
    struct Ending {
        NPReason reason;
        const char* log;
    };
    // Only the low 16 bits of the reason count.
    const Ending endings[] = {
        {NPRES_NETWORK_ERR, "GetMiscStatus\nInitNew\nSetClientSite\nDoVerb -5 at 0,0\n"},
        {static_cast<NPReason>(0x10000),
         "GetMiscStatus\nLoad stream xyz\nSetClientSite\nDoVerb -5 at 0,0\n"},
    };
    for (const Ending& ending : endings) {
        SwitchPlugin plugin;
        EXPECT_EQ(Make(plugin, kPersistStream),
                  "GetMiscStatus\nInitNew\nSetClientSite\nDoVerb -5 at 0,0\n");
        std::uint16_t stype = 0;
        EXPECT_EQ(plugin.NewStream(nullptr, nullptr, false, &stype), NPERR_NO_ERROR);
        EXPECT_EQ(stype, NP_NORMAL);
        EXPECT_EQ(plugin.GetControlDispatch(), nullptr);
        EXPECT_EQ(TakeLog(), "Close\nSetClientSite null\n");
        std::string bytes = ClassBytes(kClass) + "xyz";
        plugin.Write(nullptr, 0, 10, bytes.data());
        plugin.Write(nullptr, 10, static_cast<std::int32_t>(bytes.size() - 10), bytes.data() + 10);
        plugin.DestroyStream(nullptr, ending.reason);
        EXPECT_EQ(TakeLog(), ending.log);
        EXPECT_NE(plugin.GetControlDispatch(), nullptr);
        plugin.Destroy(nullptr);
    }
}

TEST_F(Hosting, CreateOrLoadChoosesTheFirstInitialisationThatApplies) {
    struct Case {
        std::uint32_t switches;
        const char* log;
    };
    const Case cases[] = {
        // b: the bag, the site handed over after it.
        {kPersistBag | kPersistStream,
         "GetMiscStatus\nLoad bag alpha=one\nSetClientSite\nDoVerb -5 at 0,0\n"},
        // c: a new state, then each parameter by name; the site first when the control asks.
        {kPersistStream | kSetClientSiteFirst,
         "GetMiscStatus\nSetClientSite\nInitNew\nPut 1=one\nPut 2=two\nDoVerb -5 at 0,0\n"},
        // d: neither initialised nor given its site before activation.
        {0, "GetMiscStatus\nDoVerb -5 at 0,0\n"},
        // Quick activation hands over the site with the bind host.
        {kQuickActivate | kPersistBag | kClassInfo,
         "GetGUID\nQuickActivate bindhost\nLoad bag alpha=one\nDoVerb -5 at 0,0\n"},
        // Invisible at run time: activated far off, hidden, put back.
        {kQuickActivate | kInvisibleAtRuntime,
         "QuickActivate bindhost\nDoVerb -5 at -32000,-32000\nDoVerb -3 at -32000,-32000\n"
         "SetObjectRects 0,0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switches);
        SwitchPlugin plugin;
        EXPECT_EQ(Make(plugin, c.switches, {"param_alpha", "one", "param_beta", "two"}), c.log);
        ASSERT_NE(plugin.controlWindow(), nullptr);
        const HWND control = plugin.controlWindow()->GetSafeHwnd();
        ASSERT_NE(control, nullptr);
        // (The switched control leaves its window where it was first put.)
        if ((c.switches & kInvisibleAtRuntime) == 0) {
            EXPECT_EQ(control->geometry(), QRect(0, 0, 200, 100));
        }
        const std::uint32_t style = GetWindowStyle(control);
        EXPECT_EQ(style & WS_VISIBLE, (c.switches & kInvisibleAtRuntime) != 0 ? 0u : WS_VISIBLE);
        EXPECT_EQ(style & (WS_TABSTOP | WS_GROUP), WS_TABSTOP);
        plugin.Destroy(nullptr);
        TakeLog();
    }
    // The quick-activation record carries the container's ambient flags.
    std::uint32_t expected = 0;
    const std::pair<DISPID, std::uint32_t> flags[] = {
        {DISPID_AMBIENT_USERMODE, QACONTAINER_USERMODE},
        {DISPID_AMBIENT_UIDEAD, QACONTAINER_UIDEAD},
        {DISPID_AMBIENT_SHOWHATCHING, QACONTAINER_SHOWHATCHING},
        {DISPID_AMBIENT_AUTOCLIP, QACONTAINER_AUTOCLIP},
    };
    for (const auto& [id, flag] : flags) {
        Variant value;
        if (DefaultAmbientProperty(id, &value) && value.vt == VT_BOOL && value.boolVal != 0) {
            expected |= flag;
        }
    }
    EXPECT_EQ(expected & QACONTAINER_USERMODE, QACONTAINER_USERMODE);
    EXPECT_EQ(static_cast<std::uint32_t>(Entry<CountFunction>("SwitchControlAmbientFlags")()) &
                  (QACONTAINER_USERMODE | QACONTAINER_UIDEAD | QACONTAINER_SHOWHATCHING |
                   QACONTAINER_AUTOCLIP),
              expected);
}

// The thread's message filter while the control is made, and the one before it afterwards.
using RecordingFilter = com_test::NullMessageFilter;

TEST_F(Hosting, FailuresReleaseEverythingAndPutTheFilterBack) {
    ComPtr<RecordingFilter> before;
    before.Attach(new RecordingFilter);
    ASSERT_EQ(CoRegisterMessageFilter(before.get(), nullptr), S_OK);
    struct Failing {
        std::uint32_t switches;
        const char* log;
    };
    const Failing cases[] = {
        {kPersistStream | kFailInitNew, "GetMiscStatus\nInitNew\nClose\n"},
        {kPersistStream | kFailDoVerb,
         "GetMiscStatus\nInitNew\nPut 1=one\nSetClientSite\nDoVerb -5 at 0,0\nClose\n"
         "SetClientSite null\n"},
    };
    for (const Failing& c : cases) {
        SwitchPlugin plugin;
        EXPECT_EQ(Make(plugin, c.switches, {"param_alpha", "one"}), c.log);
        EXPECT_EQ(plugin.controlWindow(), nullptr);
        EXPECT_EQ(plugin.GetControlDispatch(), nullptr);
        EXPECT_EQ(LiveControls(), 0);
        EXPECT_EQ(CurrentMessageFilter(), before.get());
        // Calls on the missing control are no-ops.
        plugin.SetProperty(1, Variant::I4(1));
        plugin.Destroy(nullptr);
    }
    SwitchPlugin plugin;
    Make(plugin, kPersistStream);
    EXPECT_EQ(CurrentMessageFilter(), before.get());
    plugin.Destroy(nullptr);
    CoRegisterMessageFilter(nullptr, nullptr);

    CNsxMessageFilter filter(30000);
    EXPECT_TRUE(filter.registered());
    EXPECT_EQ(CurrentMessageFilter(), filter.filter());
}

TEST_F(Hosting, ParametersByNameGoInOrderAndTheBagAnswersTheFirst) {
    SwitchPlugin byName;
    EXPECT_EQ(Make(byName, kPersistStream,
                   {"param_Alpha", "first", "param_unknown", "x", "PARAM_alpha", "second"}),
              "GetMiscStatus\nInitNew\nPut 1=first\nPut 1=second\nSetClientSite\n"
              "DoVerb -5 at 0,0\n");
    byName.Destroy(nullptr);

    SwitchPlugin byBag;
    EXPECT_EQ(Make(byBag, kPersistBag, {"param_Alpha", "first", "PARAM_alpha", "second"}),
              "GetMiscStatus\nLoad bag alpha=first\nSetClientSite\nDoVerb -5 at 0,0\n");
    byBag.Destroy(nullptr);
}

class ErrorLog final : public RefCounted<IErrorLog> {
public:
    HRESULT QueryInterface(const IID&, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT AddError(const OLECHAR* name, EXCEPINFO* info) override {
        entries.push_back(Utf8FromUtf16(name) + " " + Utf8FromBstr(info->bstrSource) + " " +
                          std::to_string(static_cast<std::uint32_t>(info->scode)));
        return S_OK;
    }
    std::vector<std::string> entries;
};

TEST_F(Hosting, ThePropertyBagConvertsAndReportsToTheErrorLog) {
    CNsxParameters parameters;
    parameters.names = {"Zoom", "label", "LABEL"};
    parameters.values = {"12", "abc", "other"};
    CNsxPropertyBag bag(parameters);
    ComPtr<ErrorLog> log;
    log.Attach(new ErrorLog);
    const std::string source = ModuleApplicationName();

    Variant number;
    number.vt = VT_I4;
    EXPECT_EQ(bag.Read(u"zoom", &number, log.get()), S_OK);
    EXPECT_EQ(number.vt, VT_I4);
    EXPECT_EQ(number.lVal, 12);

    Variant text;
    EXPECT_EQ(bag.Read(u"Label", &text, log.get()), S_OK);
    EXPECT_EQ(text.vt, VT_BSTR);
    EXPECT_EQ(Utf8FromBstr(text.bstrVal), "abc");
    EXPECT_TRUE(log->entries.empty());

    Variant wrong;
    wrong.vt = VT_I4;
    EXPECT_EQ(bag.Read(u"label", &wrong, log.get()), E_FAIL);
    EXPECT_EQ(wrong.vt, VT_I4);
    ASSERT_EQ(log->entries.size(), 1u);
    EXPECT_EQ(log->entries[0], "label " + source + " " +
                                   std::to_string(static_cast<std::uint32_t>(DISP_E_TYPEMISMATCH)));

    Variant missing;
    EXPECT_EQ(bag.Read(u"posx", &missing, log.get()), E_INVALIDARG);
    ASSERT_EQ(log->entries.size(), 2u);
    EXPECT_EQ(log->entries[1], "posx " + source + " 2147942487");
    EXPECT_EQ(bag.Read(u"posx", &missing, nullptr), E_INVALIDARG);

    EXPECT_EQ(bag.Read(nullptr, &missing, log.get()), E_POINTER);
    EXPECT_EQ(bag.Read(u"zoom", nullptr, log.get()), E_POINTER);
    EXPECT_EQ(log->entries.size(), 2u);
    EXPECT_EQ(bag.Write(u"zoom", &number), E_NOTIMPL);
    void* other = nullptr;
    EXPECT_EQ(bag.QueryInterface(IID_IPersistPropertyBag, &other), E_NOINTERFACE);
    EXPECT_EQ(bag.QueryInterface(IID_IPropertyBag, &other), S_OK);
    EXPECT_EQ(other, static_cast<IPropertyBag*>(&bag));
}

std::uint32_t Count(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

TEST_F(Hosting, TheSitesBindHostMakesMonikersAndBindsLocalFiles) {
    CNsxControlContainer container(window_.get());
    CNsxControlSite site(container);
    IBindHost* host = site.bindHost();

    // One identity with the site.
    ComPtr<IOleClientSite> client;
    ASSERT_EQ(host->QueryInterface(IID_IOleClientSite, client.Out()), S_OK);
    ComPtr<IBindHost> again;
    ASSERT_EQ(client->QueryInterface(IID_IBindHost, again.Out()), S_OK);
    EXPECT_EQ(again.get(), host);

    ComPtr<IMoniker> moniker;
    EXPECT_EQ(host->CreateMoniker(nullptr, nullptr, moniker.Put(), 0), E_POINTER);
    EXPECT_EQ(host->CreateMoniker(u"x", nullptr, nullptr, 0), E_POINTER);
    EXPECT_EQ(host->CreateMoniker(u"", nullptr, moniker.Put(), 0), E_INVALIDARG);

    testing_support::TempDir temp;
    const std::string path = temp.Write("state.ods", "saved bytes");
    const std::string url = "file://" + path;
    ASSERT_EQ(host->CreateMoniker(std::u16string(url.begin(), url.end()).c_str(), nullptr,
                                  moniker.Put(), 0),
              S_OK);
    ComPtr<IStream> stream;
    EXPECT_EQ(host->MonikerBindToStorage(nullptr, nullptr, nullptr, IID_IStream, stream.Out()),
              E_POINTER);
    ASSERT_EQ(
        host->MonikerBindToStorage(moniker.get(), nullptr, nullptr, IID_IStream, stream.Out()),
        S_OK);
    char bytes[32] = {};
    std::uint32_t got = 0;
    stream->Read(bytes, sizeof bytes, &got);
    EXPECT_EQ(std::string(bytes, got), "saved bytes");

    // A context of the caller's keeps its count.
    ComPtr<IBindCtx> context;
    ASSERT_EQ(CreateBindCtx(0, context.Put()), S_OK);
    const std::uint32_t held = Count(context.get());
    ASSERT_EQ(host->MonikerBindToStorage(moniker.get(), context.get(), nullptr, IID_IStream,
                                         stream.Out()),
              S_OK);
    EXPECT_EQ(Count(context.get()), held);
    void* object = &temp;
    EXPECT_EQ(host->MonikerBindToObject(moniker.get(), nullptr, nullptr, IID_IUnknown, &object),
              E_NOTIMPL);
    EXPECT_EQ(object, nullptr);
}

TEST_F(Hosting, ColourRequestsGoToThePageAndFocusOnToTheControl) {
    QWidget page;
    page.resize(300, 200);
    page.show();
    auto pageHold = Window::Attach(&page);
    LPARAM asker = 0;
    const SolidBrush brush{0x00FFEEDD};
    const auto answer = reinterpret_cast<LRESULT>(&brush);
    pageHold->AddHandler([&](const Message& message) {
        if (message.id != WM_CTLCOLORSTATIC) return false;
        asker = message.lParam;
        SetMessageResult(&page, answer);
        return true;
    });
    window_->setParent(&page);
    window_->show();
    SwitchPlugin plugin;
    Make(plugin, kPersistStream);
    const HWND self = window_.get();
    for (const std::uint32_t request : {WM_CTLCOLORBTN, WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC}) {
        asker = 0;
        EXPECT_EQ(SendMessage(self, request, 7, 0), answer);
        EXPECT_EQ(asker, reinterpret_cast<LPARAM>(self));
    }
    // The focus given to the plug-in window goes on to the control's.
    ASSERT_NE(plugin.controlWindow(), nullptr);
    SetFocus(self);
    NpapiHost::Pump();
    EXPECT_EQ(GetFocus(), plugin.controlWindow()->GetSafeHwnd());
    plugin.Destroy(nullptr);
    window_->setParent(nullptr);
}

TEST_F(Hosting, TheKeyboardHookIsCountedPerInstance) {
    const int hooksBefore = InstalledHookCount();
    auto second = std::make_unique<QWidget>();
    second->resize(50, 50);
    second->show();
    {
        SwitchPlugin one;
        SwitchPlugin two;
        Make(one, kPersistStream);
        Entry<SetSwitchesFunction>("SwitchControlSet")(kPersistStream);
        two.Show(second.get());
        EXPECT_TRUE(KeyboardHookInstalled());
        EXPECT_EQ(KeyboardHookUsers(), 2);
        EXPECT_EQ(InstalledHookCount(), hooksBefore + 1);
        // The same window again takes nothing more.
        one.Show(window_.get());
        EXPECT_EQ(KeyboardHookUsers(), 2);

        // One detached: the other still has the hook.
        one.Show(nullptr);
        EXPECT_EQ(KeyboardHookUsers(), 1);
        EXPECT_TRUE(KeyboardHookInstalled());
        one.Destroy(nullptr);
        EXPECT_EQ(KeyboardHookUsers(), 1);

        // The last one's window goes before it is destroyed.
        second.reset();
        two.Destroy(nullptr);
        EXPECT_FALSE(KeyboardHookInstalled());
        EXPECT_EQ(KeyboardHookUsers(), 0);
        EXPECT_EQ(InstalledHookCount(), hooksBefore);
    }
    TakeLog();
}

}  // namespace
}  // namespace control_plugin_test
