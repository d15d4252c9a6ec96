#include <sys/wait.h>

#include <climits>
#include <cstdlib>
#include <set>

#include "platform/registry/Registry.h"
#include "studio/core/ShellUtils.h"
#include "testing/RunTool.h"
#include "testing/TempDir.h"
#include "viewer-control/tests/ControlTestSupport.h"

namespace {

using namespace platform;
using namespace control_test;

const std::string kClass = "CLSID\\{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}";
const std::string kLibrary = "TypeLib\\{7A3E51C3-9B40-4D6E-A815-2F6C0B9D4E73}";

// Every key under `path` and its values, as "key" and "key|name=value" lines.
void Dump(const RegKey& key, const std::string& path, std::vector<std::string>& out) {
    out.push_back(path);
    std::vector<std::string> names;
    key.EnumValues(names);
    for (const auto& name : names) {
        out.push_back(path + "|" + name + "=" + key.GetString(name).value_or("?"));
    }
    std::vector<std::string> subkeys;
    key.EnumSubKeys(subkeys);
    for (const auto& subkey : subkeys) {
        RegKey child;
        if (key.OpenSubKey(subkey, child) == RegResult::Ok) Dump(child, path + "\\" + subkey, out);
    }
}

std::vector<std::string> Dump(const std::string& path) {
    std::vector<std::string> out;
    RegKey key;
    if (RegKey::Open(Registry::Default(), RegHive::ClassesRoot, path, key) == RegResult::Ok) {
        Dump(key, path, out);
    }
    return out;
}

std::vector<std::string> Registration() {
    std::vector<std::string> all;
    for (const std::string& path : {kClass, std::string("Lens.LensObj"), kLibrary}) {
        const auto lines = Dump(path);
        all.insert(all.end(), lines.begin(), lines.end());
    }
    return all;
}

std::string LibraryPath() {
    char resolved[PATH_MAX];
    return ::realpath(VANTELO_CONTROL_LIBRARY, resolved) != nullptr ? resolved : "";
}

int Regsvr(const std::string& arguments, const std::string& environment = "") {
    const std::string command =
        environment + " " + VANTELO_REGSVR + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        ASSERT_EQ(CallEntry("DllUnregisterServer"), S_OK);
        RegKey root;
        if (RegKey::Open(Registry::Default(), RegHive::ClassesRoot, "", root) == RegResult::Ok) {
            root.DeleteTree(kLibrary);
        }
    }
};

TEST_F(RegistrationTest, WritesTheClassProgramIdAndTypeLibraryTheSameEachTime) {
    ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
    const std::vector<std::string> expected{
        kClass,
        kClass + "|=LensObj Class",
        kClass + "\\InprocServer32",
        kClass + "\\InprocServer32|=" + LibraryPath(),
        kClass + "\\InprocServer32|ThreadingModel=Apartment",
        kClass + "\\ProgID",
        kClass + "\\ProgID|=Lens.LensObj",
        kClass + "\\TypeLib",
        kClass + "\\TypeLib|={7A3E51C3-9B40-4D6E-A815-2F6C0B9D4E73}",
        "Lens.LensObj",
        "Lens.LensObj\\CLSID",
        "Lens.LensObj\\CLSID|={7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}",
        kLibrary,
        kLibrary + "\\1.5",
        kLibrary + "\\1.5|=Lens 1.5 Type Library",
    };
    EXPECT_EQ(Registration(), expected);
    ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
    EXPECT_EQ(Registration(), expected);

    ASSERT_EQ(CallEntry("DllUnregisterServer"), S_OK);
    EXPECT_TRUE(Registration().empty());
    EXPECT_EQ(CallEntry("DllUnregisterServer"), S_OK);  // nothing left to remove
}

TEST_F(RegistrationTest, UnregisteringKeepsATypeLibraryVersionItNeverWrote) {
    RegKey old;
    ASSERT_EQ(RegKey::Create(Registry::Default(), RegHive::ClassesRoot,
                             kLibrary + "\\1.0\\0\\win32", "", old),
              RegResult::Ok);
    ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
    ASSERT_EQ(CallEntry("DllUnregisterServer"), S_OK);
    EXPECT_EQ(Registration(),
              (std::vector<std::string>{kLibrary, kLibrary + "\\1.0", kLibrary + "\\1.0\\0",
                                        kLibrary + "\\1.0\\0\\win32"}));
}

TEST_F(RegistrationTest, TheStudiosSwitchTurnsCreationOffAndOnAgain) {
    ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
    EXPECT_TRUE(ProbeViewerControl());
    ASSERT_TRUE(SetViewerControlEnabled(false));
    ComPtr<IUnknown> control;
    EXPECT_EQ(CoCreateInstance(scripting::CLSID_LensObj, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IUnknown, control.Out()),
              REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(ProbeViewerControl());
    ASSERT_TRUE(SetViewerControlEnabled(true));
    EXPECT_TRUE(ProbeViewerControl());
    EXPECT_EQ(Dump(kClass + "\\InprocServer32")[1], kClass + "\\InprocServer32|=" + LibraryPath());
}

TEST_F(RegistrationTest, TheFactoryMakesOnlyItsOwnClassAndNoAggregate) {
    const auto getClassObject = Entry<DllGetClassObjectFunction>("DllGetClassObject");
    const auto canUnload = Entry<HRESULT (*)()>("DllCanUnloadNow");
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnload, nullptr);

    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(IID_IDispatch, IID_IClassFactory, factory.Out()),
              CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClassObject(scripting::CLSID_LensObj, IID_IClassFactory, factory.Out()), S_OK);
    ComPtr<IUnknown> control;
    ComPtr<IUnknown> outer;
    outer.Attach(factory.get());  // any object serves as the would-be outer one
    factory->AddRef();
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, control.Out()),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(canUnload(), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, control.Out()), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    control.Reset();
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(RegistrationTest, TheLibraryShowsOnlyItsFourEntries) {
    const std::string symbols = testing_support::RunTool(
        std::string("nm -D --defined-only ") + VANTELO_CONTROL_LIBRARY + " | awk '{print $3}'");
    std::set<std::string> names;
    std::size_t start = 0;
    while (start < symbols.size()) {
        const std::size_t end = symbols.find('\n', start);
        const std::string name = symbols.substr(start, end - start);
        if (!name.empty()) names.insert(name);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                            "DllRegisterServer", "DllUnregisterServer"}));
    EXPECT_EQ(std::string(VANTELO_CONTROL_LIBRARY)
                  .substr(std::string(VANTELO_CONTROL_LIBRARY).rfind('/') + 1),
              "Vantelo.so");
}

TEST_F(RegistrationTest, RegsvrRunsTheEntriesAndSaysHowItWent) {
    const std::string library = VANTELO_CONTROL_LIBRARY;
    EXPECT_EQ(Regsvr(""), 1);
    EXPECT_EQ(Regsvr("-x " + library), 1);
    EXPECT_EQ(Regsvr("/nonexistent/Vantelo.so"), 2);
    EXPECT_EQ(Regsvr(VANTELO_NO_ENTRY_SERVER), 3);

    EXPECT_EQ(Regsvr(library), 0);
    EXPECT_EQ(Dump(kClass + "\\InprocServer32").size(), 3u);
    EXPECT_EQ(Regsvr("-u " + library), 0);
    EXPECT_TRUE(Registration().empty());

    // A registry that cannot be written: the library's entry fails.
    testing_support::TempDir temp;
    const std::string file = temp.Write("not-a-folder", "x");
    EXPECT_EQ(Regsvr(library, "VANTELO_REGISTRY_DIR=" + file + "/registry"), 4);
}

}  // namespace
