#include "platform/com/Com.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "platform/com/tests/TemporaryRegistry.h"
#include "platform/registry/Registry.h"

namespace {

using namespace platform;

constexpr GUID kFakeClass{
    0x11112222, 0x3333, 0x4444, {0x55, 0x55, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66}};

Registry& TestRegistry() {
    return Registry::Default();
}

using com_test::Register;

TEST(Com, GuidsParseAndFormatInTheRegistryForm) {
    const auto guid = ParseGuid("{7a3e51c2-9B40-4D6E-A815-2F6C0B9D4E73}");
    ASSERT_TRUE(guid.has_value());
    EXPECT_EQ(guid->data1, 0x7A3E51C2u);
    EXPECT_EQ(guid->data3, 0x4D6Eu);
    EXPECT_EQ(guid->data4[7], 0x73);
    EXPECT_EQ(FormatGuid(*guid), "{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}");
    EXPECT_EQ(ParseGuid("7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73"), guid);
    for (const char* bad :
         {"", "{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E7}", "{7A3E51C2-9B40-4D6E-A815+2F6C0B9D4E73}",
          "{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E7G}", "{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73"}) {
        EXPECT_FALSE(ParseGuid(bad).has_value()) << bad;
    }
    EXPECT_EQ(FormatGuid(IID_IClassFactory), "{00000001-0000-0000-C000-000000000046}");
}

TEST(Com, CreatesARegisteredInProcessServerAndReleasesIt) {
    Register(kFakeClass, VANTELO_FAKE_SERVER);
    void* raw = nullptr;
    ASSERT_EQ(CoCreateInstance(kFakeClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &raw),
              S_OK);
    ASSERT_NE(raw, nullptr);

    void* library = ::dlopen(VANTELO_FAKE_SERVER, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    const auto live = reinterpret_cast<int (*)()>(::dlsym(library, "FakeServerLiveObjects"));
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live(), 1);
    ComPtr<IUnknown> object;
    object.Attach(raw);
    object.Reset();
    EXPECT_EQ(live(), 0);
    ::dlclose(library);

    // The server's own refusals come through as they are.
    EXPECT_EQ(CoCreateInstance(kFakeClass, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory, &raw),
              E_NOINTERFACE);
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(CoCreateInstance(kFakeClass, nullptr, 0x4, IID_IUnknown, &raw), REGDB_E_CLASSNOTREG);
}

TEST(Com, EveryMissingPieceIsACleanFailure) {
    void* raw = reinterpret_cast<void*>(1);
    const GUID unknown{0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    TestRegistry();
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &raw),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(raw, nullptr);

    const GUID switchedOff{0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 11}};
    Register(switchedOff, "");
    EXPECT_EQ(CoCreateInstance(switchedOff, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &raw),
              REGDB_E_CLASSNOTREG);

    const GUID gone{0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 12}};
    Register(gone, "/nonexistent/libnothing.so");
    EXPECT_EQ(CoCreateInstance(gone, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &raw),
              CO_E_DLLNOTFOUND);

    const GUID noEntry{0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 13}};
    Register(noEntry, VANTELO_NO_ENTRY_SERVER);
    EXPECT_EQ(CoCreateInstance(noEntry, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &raw),
              CO_E_ERRORINDLL);

    // A server that does not know the class it is registered for.
    const GUID notServed{0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 14}};
    Register(notServed, VANTELO_FAKE_SERVER);
    EXPECT_EQ(CoCreateInstance(notServed, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &raw),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(CoCreateInstance(notServed, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
              E_POINTER);
}

// Both entries give the same answers for every missing piece.
TEST(Com, TheClassObjectFailsAsCreationDoes) {
    const GUID base{0xC0FFEE00, 1, 2, {3, 4, 5, 6, 7, 8, 9, 0}};
    struct Case {
        const char* what;
        std::uint8_t last;
        const char* library;  // null: not registered
        HRESULT expected;
    };
    const Case cases[] = {
        {"unregistered", 1, nullptr, REGDB_E_CLASSNOTREG},
        {"switched off", 2, "", REGDB_E_CLASSNOTREG},
        {"missing library", 3, "/nonexistent/libnothing.so", CO_E_DLLNOTFOUND},
        {"no entry", 4, VANTELO_NO_ENTRY_SERVER, CO_E_ERRORINDLL},
        {"class not served", 5, VANTELO_FAKE_SERVER, CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const Case& c : cases) {
        GUID clsid = base;
        clsid.data4[7] = c.last;
        if (c.library != nullptr) Register(clsid, c.library);
        void* raw = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &raw),
                  c.expected)
            << c.what;
        EXPECT_EQ(raw, nullptr) << c.what;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &raw),
                  c.expected)
            << c.what;
        EXPECT_EQ(raw, nullptr) << c.what;
    }

    Register(kFakeClass, VANTELO_FAKE_SERVER);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(kFakeClass, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, nullptr,
                               IID_IClassFactory, factory.Out()),
              S_OK);
    ComPtr<IUnknown> object;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.Out()), S_OK);
    EXPECT_TRUE(object);
    void* raw = nullptr;
    EXPECT_EQ(CoGetClassObject(kFakeClass, CLSCTX_INPROC_HANDLER, nullptr, IID_IClassFactory, &raw),
              REGDB_E_CLASSNOTREG);
}

}  // namespace
