// The exports and the NPP gates, called as a browser calls them.
#include <QWidget>

#include "viewer-plugin/npvantelo/tests/HostTest.h"

namespace npvantelo_test {
namespace {

using EntryPoints = HostTest;

TEST_F(EntryPoints, InitializeChecksTheBrowserTable) {
    struct Case {
        const char* what;
        bool null;
        std::uint16_t version;
        std::size_t size;
        NPError expected;
    };
    const Case cases[] = {
        {"no table", true, 0, 0, NPERR_INVALID_FUNCTABLE_ERROR},
        {"a major version of 1", false, 0x0100, sizeof(NPNetscapeFuncs),
         NPERR_INCOMPATIBLE_VERSION_ERROR},
        {"one byte short of forceredraw", false, 13, kNetscapeFuncsThroughForceRedraw - 1,
         NPERR_INVALID_FUNCTABLE_ERROR},
        {"exactly through forceredraw", false, 13, kNetscapeFuncsThroughForceRedraw,
         NPERR_NO_ERROR},
        {"a minor version above ours", false, 0x00FF, sizeof(NPNetscapeFuncs), NPERR_NO_ERROR},
    };
    auto initialize = reinterpret_cast<NP_InitializeFunc>(host_->Symbol("NP_Initialize"));
    ASSERT_NE(initialize, nullptr);
    for (const Case& c : cases) {
        NPNetscapeFuncs table = host_->Browser();
        table.version = c.version;
        table.size = static_cast<std::uint16_t>(c.size);
        EXPECT_EQ(initialize(c.null ? nullptr : &table), c.expected) << c.what;
    }
    host_->Shutdown();
}

TEST_F(EntryPoints, GetEntryPointsFillsTheFunctionsAndLeavesTheBrowsersFields) {
    auto entry = reinterpret_cast<NP_GetEntryPointsFunc>(host_->Symbol("NP_GetEntryPoints"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
    NPPluginFuncs funcs;
    funcs.size = 77;
    int javaClass = 0;
    funcs.javaClass = &javaClass;
    ASSERT_EQ(entry(&funcs), NPERR_NO_ERROR);
    EXPECT_EQ(funcs.version, 13);
    EXPECT_EQ(funcs.size, 77);
    EXPECT_EQ(funcs.javaClass, &javaClass);
    const void* entries[] = {
        reinterpret_cast<void*>(funcs.newp),          reinterpret_cast<void*>(funcs.destroy),
        reinterpret_cast<void*>(funcs.setwindow),     reinterpret_cast<void*>(funcs.newstream),
        reinterpret_cast<void*>(funcs.destroystream), reinterpret_cast<void*>(funcs.asfile),
        reinterpret_cast<void*>(funcs.writeready),    reinterpret_cast<void*>(funcs.write),
        reinterpret_cast<void*>(funcs.print),         reinterpret_cast<void*>(funcs.event),
        reinterpret_cast<void*>(funcs.urlnotify),     reinterpret_cast<void*>(funcs.getvalue),
        reinterpret_cast<void*>(funcs.setvalue)};
    for (const void* e : entries) EXPECT_NE(e, nullptr);
}

TEST_F(EntryPoints, TheExportsWorkInEitherOrder) {
    ASSERT_EQ(host_->Initialize(), NPERR_NO_ERROR);
    ASSERT_EQ(host_->GetEntryPoints(), NPERR_NO_ERROR);
    auto instance = Embed();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->Destroy(), NPERR_NO_ERROR);
}

// Every gate with no NPP, and with an NPP whose instance is missing.
TEST_F(EntryPoints, GatesAnswerWithoutAnInstance) {
    Start();
    NPPluginFuncs& f = host_->Plugin();
    NPP_t empty;
    for (NPP npp : {static_cast<NPP>(nullptr), &empty}) {
        const bool noNpp = npp == nullptr;
        const NPError invalid = noNpp ? NPERR_INVALID_INSTANCE_ERROR : NPERR_GENERIC_ERROR;
        NPWindow window;
        std::uint16_t stype = 0;
        NPStream stream;
        char buffer[4] = {};
        int value = 0;
        EXPECT_EQ(f.destroy(npp, nullptr), noNpp ? NPERR_INVALID_INSTANCE_ERROR : NPERR_NO_ERROR);
        EXPECT_EQ(f.setwindow(npp, &window), invalid);
        EXPECT_EQ(f.newstream(npp, nullptr, &stream, 0, &stype), invalid);
        EXPECT_EQ(f.destroystream(npp, &stream, 0), invalid);
        EXPECT_EQ(f.writeready(npp, &stream), 0x0FFFFFFF);
        EXPECT_EQ(f.write(npp, &stream, 0, 3, buffer), 3);
        EXPECT_EQ(f.event(npp, nullptr), 0);
        EXPECT_EQ(f.getvalue(npp, NPPVpluginScriptableInstance, &value), invalid);
        EXPECT_EQ(f.setvalue(npp, NPNVxDisplay, &value), invalid);
        f.asfile(npp, &stream, "file");
        f.print(npp, nullptr);
        f.urlnotify(npp, "url", 0, nullptr);
        EXPECT_EQ(value, 0);
    }
    EXPECT_EQ(f.newp(nullptr, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
              NPERR_INVALID_INSTANCE_ERROR);
}

TEST_F(EntryPoints, StreamsAreTakenAndDropped) {
    Start();
    auto instance = Embed();
    ASSERT_NE(instance, nullptr);
    NPPluginFuncs& f = host_->Plugin();
    NPStream stream;
    std::uint16_t stype = NP_NORMAL;
    char bytes[100] = {};
    EXPECT_EQ(f.newstream(instance->npp(), nullptr, &stream, 0, &stype), NPERR_NO_ERROR);
    EXPECT_EQ(f.writeready(instance->npp(), &stream), 0x0FFFFFFF);
    EXPECT_EQ(f.write(instance->npp(), &stream, 0, 100, bytes), 100);
    EXPECT_EQ(f.destroystream(instance->npp(), &stream, 0), NPERR_NO_ERROR);
    EXPECT_EQ(f.event(instance->npp(), nullptr), 0);
    int other = 5;
    EXPECT_EQ(instance->GetValue(NPPVpluginNameString, &other), NPERR_NO_ERROR);
    EXPECT_EQ(other, 5);
}

// How many holds of the window layer sit on a widget.
int Holds(const QWidget* widget) {
    return widget->property("_vantelo_window_holds").toInt();
}

TEST_F(EntryPoints, SetWindowTakesTheFirstWindowOnly) {
    Start();
    NPError result = -1;
    auto instance = host_->NewInstance({}, &result);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->SetWindow(nullptr), NPERR_GENERIC_ERROR);
    // A record without a handle before any window: nothing is attached.
    EXPECT_EQ(instance->SetWindow(), NPERR_NO_ERROR);
    QWidget* first = instance->MakeWindow(200, 100);
    EXPECT_EQ(Holds(first), 0);
    EXPECT_EQ(instance->SetWindow(), NPERR_NO_ERROR);
    EXPECT_GT(Holds(first), 0);

    // A second handle changes nothing; a size change and a window gone are answered 0.
    QWidget second;
    second.resize(50, 50);
    NPWindow other;
    other.window = &second;
    EXPECT_EQ(instance->SetWindow(&other), NPERR_NO_ERROR);
    EXPECT_EQ(Holds(&second), 0);
    NPWindow none;
    EXPECT_EQ(instance->SetWindow(&none), NPERR_NO_ERROR);
    EXPECT_GT(Holds(first), 0);

    EXPECT_EQ(instance->Destroy(), NPERR_NO_ERROR);
    EXPECT_EQ(Holds(first), 0);
}

// Each instance keeps its own hold on its window: destroying one leaves the other's.
TEST_F(EntryPoints, InstancesRemoveOnlyTheirOwnHandlers) {
    Start();
    const std::string picture = SolidJpeg(40, 30, 0x2060C0);
    testing_support::TempDir temp;
    const std::string file = temp.Write("p.jpg", picture);
    auto a = Embed({{"param_filename", file}, {"param_fit", "304"}}, 200, 150);
    auto b = Embed({{"param_filename", file}, {"param_fit", "304"}}, 200, 150);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const int holds = Holds(b->window());
    ASSERT_GT(holds, 0);
    EXPECT_EQ(a->Destroy(), NPERR_NO_ERROR);
    EXPECT_EQ(Holds(a->window()), 0);
    EXPECT_EQ(Holds(b->window()), holds);
    // The survivor still draws its picture.
    EXPECT_TRUE(PumpUntil([&] {
        b->Frame();
        return Near(b->Grab().pixel(100, 75), 0x2060C0);
    }));
}

}  // namespace
}  // namespace npvantelo_test
