#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>

#include <gtest/gtest.h>

#include "installer/Installer.h"
#include "installer/InstallerStrings.h"
#include "installer/SystemCollaborators.h"
#include "platform/com/Com.h"
#include "platform/gfx/RelativeMouse.h"
#include "platform/gfx/VirtualDisplay.h"
#include "platform/registry/Registry.h"
#include "testing/DebugCapture.h"
#include "testing/QtTestApp.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"
#include "testing/VersionedElf.h"

namespace installer {
namespace {

namespace fs = std::filesystem;
using platform::PromptAnswer;
using platform::RegHive;
using platform::RegKey;
using platform::RegResult;
using testing_support::ReadFile;
using testing_support::ScriptedPrompts;
using testing_support::TempDir;

constexpr platform::CLSID kControlClass{
    0x7A3E51C2, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};
constexpr std::string_view kTypeLibrary = "TypeLib\\{7A3E51C3-9B40-4D6E-A815-2F6C0B9D4E73}";
constexpr std::string_view kFullDialog =
    "Vantelo browser plugin installed for:\n- Internet Explorer (Refresh needed)\n"
    "- Netscape Navigator 4.x (Restart needed)\n- Mozilla Firefox (Restart needed)\n"
    "- Opera browser (Restart needed)\n";

// The program's user folders and registry, in a folder of their own for the whole program:
// the registry's folder is fixed at its first use.
const std::string& ProgramHome() {
    static const auto home = [] {
        auto folder = std::make_unique<TempDir>();
        ::setenv("VANTELO_REGISTRY_DIR", folder->Path("registry").c_str(), 1);
        ::setenv("XDG_DATA_HOME", folder->Path("data").c_str(), 1);
        return folder;
    }();
    return home->path();
}

class QueuedDisplay final : public Display {
public:
    std::deque<std::optional<int>> depths;
    std::optional<int> BitsPerPixel() override {
        if (depths.empty()) return 32;
        const std::optional<int> depth = depths.front();
        depths.pop_front();
        return depth;
    }
};

// DirectX steps that all succeed but the one named.
class FailingStep final : public DirectXSteps {
public:
    int failing = -1;
    bool Step(int index) { return index != failing; }
    bool LoadDirectDraw() override { return Step(0); }
    bool CreateDirectDraw() override { return Step(1); }
    bool QueryDirectDraw2() override { return Step(2); }
    bool LoadDirectInput() override { return Step(3); }
    bool FindDirectInputCreate() override { return Step(4); }
    bool SetNormalCooperativeLevel() override { return Step(5); }
    bool CreatePrimarySurface() override { return Step(6); }
    bool QuerySurface3() override { return Step(7); }
    bool QuerySurface4() override { return Step(8); }
};

// The machine's files, with errors and versions a test lays on particular targets.
class TestFiles final : public SystemFiles {
public:
    std::map<std::string, std::deque<int>> copyErrors;
    std::vector<std::string> copies;
    std::vector<std::string> normalised;

    int CopyReplacing(const std::string& from, const std::string& to) override {
        copies.push_back(to);
        auto errors = copyErrors.find(to);
        if (errors != copyErrors.end() && !errors->second.empty()) {
            const int error = errors->second.front();
            errors->second.pop_front();
            return error;
        }
        return SystemFiles::CopyReplacing(from, to);
    }
    void SetNormalAttributes(const std::string& path) override {
        normalised.push_back(path);
        SystemFiles::SetNormalAttributes(path);
    }
};

class RecordedDialog final : public FinalDialog {
public:
    std::vector<std::string> shown;
    std::string title;
    void Show(std::string_view t, std::string_view text) override {
        title = std::string(t);
        shown.emplace_back(text);
    }
};

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void TearDown() override {
        gfx::display::Reset();
        gfx::mouse::SetRefused(false);
    }

    // A new machine: an empty registry and user data folder, a new tree with the package,
    // and collaborators that remember nothing.
    void Fresh() {
        ProgramHome();
        std::error_code error;
        fs::remove_all(ProgramHome() + "/registry", error);
        fs::remove_all(ProgramHome() + "/data", error);
        gfx::display::Reset();
        gfx::mouse::SetRefused(false);
        prompts.reset();
        prompts = std::make_unique<ScriptedPrompts>();
        treeFolder = std::make_unique<TempDir>();
        display = QueuedDisplay();
        directX = FailingStep();
        files = TestFiles();
        dialog = RecordedDialog();
        MakePackage();
    }

    std::string Package(std::string_view name) const {
        return Tree().Path("package/" + std::string(name));
    }

    void MakePackage() {
        fs::create_directories(Tree().Path("package"));
        fs::copy_file(VANTELO_CONTROL_LIBRARY, Package(kControlLibrary));
        fs::copy_file(VANTELO_CODEC_LIBRARY, Package(kCodecLibrary));
        fs::copy_file(VANTELO_NETSCAPE_PLUGIN, Package(kNetscapePlugin));
        fs::copy_file(VANTELO_MOZILLA_PLUGIN, Package(kMozillaPlugin));
        // The class and interface files carry no version block; their bytes are what counts.
        Tree().Write("package/" + std::string(kNetscapeClass), "class bytes");
        Tree().Write("package/" + std::string(kMozillaInterfaces), "interface list");
    }

    TempDir& Tree() const { return *treeFolder; }
    platform::Registry& Registry() { return platform::Registry::Default(); }

    void SetString(RegHive hive, const std::string& key, std::string_view name,
                   const std::string& value) {
        RegKey opened;
        ASSERT_EQ(RegKey::Create(Registry(), hive, key, "", opened), RegResult::Ok);
        ASSERT_EQ(opened.SetString(name, value), RegResult::Ok);
    }
    void MakeKey(RegHive hive, const std::string& key) {
        RegKey opened;
        ASSERT_EQ(RegKey::Create(Registry(), hive, key, "", opened), RegResult::Ok);
    }
    bool KeyExists(RegHive hive, std::string_view key) {
        RegKey opened;
        return RegKey::Open(Registry(), hive, key, opened) == RegResult::Ok;
    }

    // A plug-in folder that exists, named in the registry.
    std::string PluginFolder(const std::string& name) {
        const std::string folder = Tree().Path(name);
        fs::create_directories(folder);
        return folder;
    }

    void AddProgramFiles() {
        SetString(RegHive::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                  "ProgramFilesDir", PluginFolder("Program Files"));
    }
    void AddNetscape4(const std::vector<std::string>& entries, std::optional<std::string> current) {
        const std::string key = "Software\\Netscape\\Netscape Navigator";
        MakeKey(RegHive::LocalMachine, key);
        if (current) SetString(RegHive::LocalMachine, key, "CurrentVersion", *current);
        for (const std::string& entry : entries) {
            SetString(RegHive::LocalMachine, key + "\\" + entry + "\\Main", "Plugins Directory",
                      PluginFolder("netscape " + entry));
        }
    }
    void AddNetscape6() {
        const std::string installed = PluginFolder("Netscape 6");
        fs::create_directories(installed + "/Plugins");
        SetString(RegHive::LocalMachine, "Software\\Netscape\\Netscape 6", "CurrentVersion", "6.2");
        SetString(RegHive::LocalMachine, "Software\\Netscape\\Netscape 6\\6.2\\Main",
                  "Install Directory", installed);
    }
    void AddMozilla(const std::string& name) {
        SetString(RegHive::LocalMachine, "Software\\Mozilla\\" + name + "\\Extensions", "Plugins",
                  PluginFolder(name + "/plugins"));
    }
    void AddOpera() {
        SetString(RegHive::CurrentUser, "Software\\Opera Software", "Plugin Path",
                  PluginFolder("Opera/plugins"));
    }
    void AddEveryBrowser() {
        AddProgramFiles();
        AddNetscape4({"4.7 (en)", "4.8"}, "4.8");
        AddNetscape6();
        AddMozilla("Mozilla Firefox");
        AddMozilla("Mozilla 1.7");
        AddOpera();
    }

    Collaborators Machine(OsProfile os = {}) {
        return Collaborators{display,
                             os,
                             directX,
                             files,
                             Registry(),
                             dialog,
                             Tree().Path("package"),
                             DefaultProgramFiles()};
    }
    int Run(std::string_view commandLine = "", OsProfile os = {}) {
        Collaborators machine = Machine(os);
        return RunInstaller(commandLine, machine);
    }

    // The file is in the folder, with the bytes of the package's (or `from`'s) file.
    bool Installed(const std::string& folder, std::string_view name, std::string from = {}) {
        if (from.empty()) from = Tree().Path("package");
        const std::string target = folder + "/" + std::string(name);
        return fs::exists(target) && ReadFile(target) == ReadFile(from + "/" + std::string(name));
    }
    std::string ProgramFolder() { return Tree().Path("Program Files/Vantelo/1.50"); }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const auto& call : prompts->calls()) texts.push_back(call.text);
        return texts;
    }

    std::unique_ptr<TempDir> treeFolder;
    std::unique_ptr<ScriptedPrompts> prompts;
    QueuedDisplay display;
    FailingStep directX;
    TestFiles files;
    RecordedDialog dialog;
};

TEST_F(InstallerTest, AFullRunPutsEveryFileWhereItsKeySaysAndRegistersTheControl) {
    testing_support::TestApplication();
    AddEveryBrowser();
    SetString(RegHive::ClassesRoot, std::string(kTypeLibrary) + "\\1.0\\0\\win32", "", "old.tlb");
    SetString(RegHive::ClassesRoot, std::string(kTypeLibrary) + "\\1.0\\HELPDIR", "", "old");
    SetString(RegHive::ClassesRoot, std::string(kTypeLibrary) + "\\1.0\\FLAGS", "", "0");

    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(Boxes().empty());
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0], kFullDialog);
    EXPECT_EQ(dialog.title, "Vantelo web browser plugin");

    EXPECT_TRUE(Installed(ProgramFolder(), kControlLibrary));
    EXPECT_TRUE(Installed(ProgramFolder(), kCodecLibrary));
    // CurrentVersion chose 4.8; the other entry got nothing.
    EXPECT_TRUE(Installed(Tree().Path("netscape 4.8"), kNetscapePlugin));
    EXPECT_TRUE(Installed(Tree().Path("netscape 4.8"), kNetscapeClass));
    EXPECT_FALSE(fs::exists(Tree().Path("netscape 4.7 (en)/NPLensObj.so")));
    EXPECT_TRUE(Installed(Tree().Path("Netscape 6/Plugins"), kNetscapePlugin));
    EXPECT_TRUE(Installed(Tree().Path("Netscape 6/Plugins"), kNetscapeClass));
    for (const std::string folder :
         {"Mozilla Firefox/plugins", "Mozilla 1.7/plugins", "Opera/plugins"}) {
        for (std::string_view name : {kMozillaPlugin, kMozillaInterfaces, kCodecLibrary}) {
            EXPECT_TRUE(Installed(Tree().Path(folder), name)) << folder << "/" << name;
        }
    }

    // The installed copy is the registered one, and it makes controls.
    RegKey server;
    ASSERT_EQ(RegKey::Open(Registry(), RegHive::ClassesRoot,
                           "CLSID\\{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}\\InprocServer32", server),
              RegResult::Ok);
    EXPECT_EQ(server.GetString(""), ProgramFolder() + "/Vantelo.so");
    {
        platform::ComPtr<platform::IUnknown> control;
        EXPECT_EQ(platform::CoCreateInstance(kControlClass, nullptr, platform::CLSCTX_INPROC_SERVER,
                                             platform::IID_IUnknown, control.Out()),
                  platform::S_OK);
    }
    EXPECT_FALSE(KeyExists(RegHive::ClassesRoot, std::string(kTypeLibrary) + "\\1.0"));
    EXPECT_TRUE(KeyExists(RegHive::ClassesRoot, std::string(kTypeLibrary) + "\\1.5"));

    // Again over what is installed, with "-nook" amid other words: the identical libraries are
    // not copied, yet the control is registered again; no dialog, the same exit code.
    server.Close();
    RegKey classes;
    ASSERT_EQ(RegKey::Open(Registry(), RegHive::ClassesRoot, "CLSID", classes), RegResult::Ok);
    ASSERT_EQ(classes.DeleteTree("{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}"), RegResult::Ok);
    files.copies.clear();
    EXPECT_EQ(Run("/quiet -nook now"), 1);
    EXPECT_EQ(dialog.shown.size(), 1u);
    for (const std::string& copied : files.copies) {
        EXPECT_EQ(copied.find(".so"), std::string::npos) << copied;
    }
    EXPECT_TRUE(KeyExists(RegHive::ClassesRoot,
                          "CLSID\\{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}\\InprocServer32"));
}

TEST_F(InstallerTest, CopyIfNewerAsksBeforeReplacingANewerFileAndRetriesWhatItMay) {
    Collaborators machine = Machine();
    Installer installer(machine);
    const std::string target = PluginFolder("target") + "/NPvantelo.so";

    // An older package file: the box's safe choice is Cancel, which keeps the newer file.
    const std::string older = testing_support::MakeVersionedElf({1, 6, 0, 0});
    Tree().Write("package/NPvantelo.so", older);
    Tree().Write("target/NPvantelo.so", testing_support::MakeVersionedElf({1, 7, 0, 0}));
    const std::string newer = ReadFile(target);
    prompts->Answer(PromptAnswer::Cancel);
    EXPECT_FALSE(installer.CopyIfNewer(kMozillaPlugin, target));
    ASSERT_EQ(prompts->calls().size(), 1u);
    EXPECT_EQ(prompts->calls()[0].text,
              "The file (NPvantelo.so) in the install package is older \nthan the one it will "
              "replace " +
                  target + ".\nPress cancel to skip installation of the file (recommended)");
    EXPECT_EQ(prompts->calls()[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(prompts->calls()[0].defaultAnswer, PromptAnswer::Cancel);
    EXPECT_EQ(ReadFile(target), newer);
    EXPECT_TRUE(installer.failed());
    EXPECT_EQ(installer.failureReason(),
              "One of the files was more recent than the installations file, file skipped");
    EXPECT_NE(installer.Summary().find("file skipped\n"), std::string::npos);
    prompts->Answer(PromptAnswer::Ok);
    EXPECT_TRUE(installer.CopyIfNewer(kMozillaPlugin, target));
    EXPECT_EQ(ReadFile(target), older);

    // The same block: nothing copied. Only major and minor count: a lower build number of
    // the same 1.6 is copied without a question.
    files.copies.clear();
    EXPECT_TRUE(installer.CopyIfNewer(kMozillaPlugin, target));
    EXPECT_TRUE(files.copies.empty());
    Tree().Write("target/NPvantelo.so", testing_support::MakeVersionedElf({1, 6, 9, 0}));
    EXPECT_TRUE(installer.CopyIfNewer(kMozillaPlugin, target));
    EXPECT_EQ(files.copies.size(), 1u);
    EXPECT_EQ(prompts->calls().size(), 2u);

    // In use: Retry copies once it was freed; Cancel gives up with the reason kept.
    files.copyErrors[target] = {kErrorSharingViolation, kErrorSharingViolation};
    prompts->Answer(PromptAnswer::Retry);
    prompts->Answer(PromptAnswer::Retry);
    Tree().Write("target/NPvantelo.so", "held");
    EXPECT_TRUE(installer.CopyIfNewer(kMozillaPlugin, target));
    EXPECT_EQ(ReadFile(target), ReadFile(Package(kMozillaPlugin)));
    EXPECT_EQ(prompts->calls().back().text,
              "Failed to copy NPvantelo.so to " + target + "\n " + target +
                  " is in use, close all program that uses Vantelo and press RETRY to retry");
    // (A target without a version block is always copied.)
    Tree().Write("target/NPvantelo.so", "held");
    files.copyErrors[target] = {kErrorSharingViolation};
    prompts->Answer(PromptAnswer::Cancel);
    EXPECT_FALSE(installer.CopyIfNewer(kMozillaPlugin, target));
    EXPECT_EQ(installer.failureReason(), "File is in use");

    // Access denied: the target is made writable and the copy tried once more.
    Tree().Write("target/NPvantelo.so", "read-only");
    files.copyErrors[target] = {kErrorAccessDenied};
    EXPECT_TRUE(installer.CopyIfNewer(kMozillaPlugin, target));
    EXPECT_EQ(files.normalised, std::vector<std::string>{target});
    Tree().Write("target/NPvantelo.so", "read-only");
    files.copyErrors[target] = {kErrorAccessDenied, kErrorAccessDenied};
    const std::size_t boxes = prompts->calls().size();
    EXPECT_FALSE(installer.CopyIfNewer(kMozillaPlugin, target));
    ASSERT_EQ(prompts->calls().size(), boxes + 1);
    EXPECT_EQ(prompts->calls().back().text,
              "Failed to copy NPvantelo.so to " + target + "\nReturned error: 5");
    EXPECT_EQ(installer.failureReason(), "Couldn't write file to disk");

    // A real write error from the file layer: a folder stands where the file would go.
    fs::create_directories(Tree().Path("blocked/NPvantelo.so/inside"));
    EXPECT_FALSE(installer.CopyIfNewer(kMozillaPlugin, Tree().Path("blocked/NPvantelo.so")));
    EXPECT_EQ(prompts->calls().back().text.rfind("Failed to copy NPvantelo.so to ", 0), 0u);
    EXPECT_EQ(installer.failureReason(), "Couldn't write file to disk");
}

TEST_F(InstallerTest, ALinkInAPluginFolderIsReplacedNeverWrittenThrough) {
    // Whoever may write a browser's plug-in folder leaves links there under the plug-in's
    // names, aimed at files the installer (run by root) may write.
    AddProgramFiles();
    AddOpera();
    const std::string folder = Tree().Path("Opera/plugins");
    const std::string victim = Tree().Write("elsewhere/shadow", "not the installer's");
    ASSERT_EQ(::chmod(victim.c_str(), 0444), 0);
    const std::string plugin = folder + "/" + std::string(kMozillaPlugin);
    const std::string codec = folder + "/" + std::string(kCodecLibrary);
    ASSERT_EQ(::symlink(victim.c_str(), plugin.c_str()), 0);
    ASSERT_EQ(::symlink(victim.c_str(), codec.c_str()), 0);
    // The codec's first copy is refused, so the installer clears the mark and tries again.
    files.copyErrors[codec] = {kErrorAccessDenied};

    EXPECT_EQ(Run("-nook"), 1);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(files.normalised, std::vector<std::string>{codec});
    for (const std::string& target : {plugin, codec}) {
        EXPECT_FALSE(fs::is_symlink(target)) << target;
        EXPECT_TRUE(fs::is_regular_file(target)) << target;
    }
    EXPECT_TRUE(Installed(folder, kMozillaPlugin));
    EXPECT_TRUE(Installed(folder, kCodecLibrary));
    EXPECT_EQ(ReadFile(victim), "not the installer's");
    EXPECT_EQ(fs::status(victim).permissions(), fs::perms(0444));
}

TEST_F(InstallerTest, NetscapeTakesTenVersionEntriesAndTheCurrentOne) {
    AddProgramFiles();
    std::vector<std::string> entries;
    for (int i = 0; i < 11; ++i) entries.push_back("4." + std::to_string(i));
    entries.push_back("Users");  // not a version entry
    AddNetscape4(entries, "4.8");
    EXPECT_EQ(Run("-nook"), 1);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Installations error, too much Netscape"});
    EXPECT_TRUE(Installed(Tree().Path("netscape 4.8"), kNetscapePlugin));
    // Enumerated by name, 4.10 comes after 4.1: the eleventh is 4.9, which CurrentVersion can
    // no longer choose.
    Fresh();
    AddProgramFiles();
    AddNetscape4(entries, "4.9");
    EXPECT_EQ(Run("-nook"), 1);
    EXPECT_TRUE(Installed(Tree().Path("netscape 4.0"), kNetscapePlugin));
    EXPECT_FALSE(fs::exists(Tree().Path("netscape 4.9/NPLensObj.so")));

    // Without CurrentVersion the first entry takes the files.
    Fresh();
    AddProgramFiles();
    AddNetscape4({"4.7 (en)", "4.8"}, std::nullopt);
    AddOpera();
    EXPECT_EQ(Run("-nook"), 1);
    EXPECT_TRUE(Installed(Tree().Path("netscape 4.7 (en)"), kNetscapePlugin));
    EXPECT_FALSE(fs::exists(Tree().Path("netscape 4.8/NPLensObj.so")));
}

TEST_F(InstallerTest, NetscapeIsListedOnlyWhenItsFilesArrived) {
    // Netscape 6 whose entry lost its Main key: its failure box, and no Netscape line.
    AddProgramFiles();
    AddOpera();
    MakeKey(RegHive::LocalMachine, "Software\\Netscape\\Netscape 6\\6.2");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "Failed to install Vantelo for Netscape Navigator 6\n(You may get this "
                           "if you have tried to uninstall Netscape Navigator 6)"});
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].find("Netscape"), std::string::npos);
    EXPECT_NE(dialog.shown[0].find("Opera"), std::string::npos);

    // A 4.x entry without its "Plugins Directory", no Netscape 6 and no other browser: nothing
    // is written into the package folder and the summary says no folder was found.
    Fresh();
    AddProgramFiles();
    MakeKey(RegHive::LocalMachine, "Software\\Netscape\\Netscape Navigator\\4.8\\Main");
    const auto before = std::distance(fs::directory_iterator(Tree().Path("package")), {});
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(Tree().Path("package")), {}), before);
    EXPECT_TRUE(dialog.shown.empty());
    ASSERT_EQ(prompts->calls().size(), 1u);
    EXPECT_EQ(prompts->calls()[0].caption, "Vantelo install error");
    EXPECT_EQ(prompts->calls()[0].text,
              std::string(LoadString(121)) + "\n" + std::string(LoadString(128)) + "\n" +
                  std::string(LoadString(113)) + "\n" + std::string(LoadString(119)) + "\n" +
                  std::string(LoadString(120)) + "\n");

    // No Netscape keys at all, no Mozilla, no Opera: the same summary.
    Fresh();
    AddProgramFiles();
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(prompts->calls().size(), 1u);
    EXPECT_NE(prompts->calls()[0].text.find(std::string(LoadString(120))), std::string::npos);
}

TEST_F(InstallerTest, BrowsersAreListedOnlyWhereTheFilesArrived) {
    AddProgramFiles();
    AddNetscape4({"4.8"}, "4.8");
    AddMozilla("Mozilla Firefox");
    // A Mozilla browser without its folder value, an Opera without its path: the package's own
    // files are never the targets.
    MakeKey(RegHive::LocalMachine, "Software\\Mozilla\\Mozilla 1.7\\Extensions");
    MakeKey(RegHive::CurrentUser, "Software\\Opera Software");
    // Firefox's plug-in folder refuses the codec library.
    files.copyErrors[Tree().Path("Mozilla Firefox/plugins") + "/lwf215p.so"] = {112};
    const auto before = std::distance(fs::directory_iterator(Tree().Path("package")), {});
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(Tree().Path("package")), {}), before);
    // Netscape cleared the failure flag, Mozilla's failed copy set it again, and Opera failed:
    // the summary, and no dialog claiming Mozilla or Opera.
    EXPECT_TRUE(dialog.shown.empty());
    ASSERT_EQ(prompts->calls().size(), 2u);
    EXPECT_EQ(prompts->calls()[0].text, "Failed to copy lwf215p.so to " +
                                            Tree().Path("Mozilla Firefox/plugins") +
                                            "/lwf215p.so\nReturned error: 112");
    EXPECT_EQ(prompts->calls()[1].caption, "Vantelo install error");

    // A package without NPLensObj.so is for Internet Explorer only; the rest installs.
    Fresh();
    AddProgramFiles();
    AddNetscape4({"4.8"}, "4.8");
    AddMozilla("Mozilla Firefox");
    AddOpera();
    fs::remove(Package(kNetscapePlugin));
    Collaborators machine = Machine();
    Installer installer(machine);
    EXPECT_EQ(installer.Run(""), 1);
    EXPECT_EQ(installer.netscapeState(), kNetscapeExplorerOnly);
    EXPECT_TRUE(Boxes().empty());
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0],
              "Vantelo browser plugin installed for:\n- Internet Explorer (Refresh needed)\n"
              "- Mozilla Firefox (Restart needed)\n- Opera browser (Restart needed)\n");
    EXPECT_NE(installer.Summary().find(std::string(LoadString(123))), std::string::npos);
    EXPECT_FALSE(fs::exists(Tree().Path("netscape 4.8/NPLensObj.class")));

    // No Opera, nothing else failed: no summary.
    Fresh();
    AddProgramFiles();
    AddMozilla("Mozilla Firefox");
    fs::remove(Package(kNetscapePlugin));
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(InstallerTest, ChecksBeforeInstallingStopWithNothingInstalled) {
    AddEveryBrowser();
    // 256 colours: Retry looks again, Cancel gives up.
    display.depths = {8, 8};
    prompts->Answer(PromptAnswer::Retry);
    prompts->Answer(PromptAnswer::Cancel);
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(prompts->calls().size(), 2u);
    EXPECT_EQ(prompts->calls()[0].text,
              "Your display is set to 256 colours or less\nVantelo needs at least 16 bit colour "
              "(hi-colour)\nChange your display settings and retry");
    EXPECT_EQ(prompts->calls()[0].caption, "Vantelo Install");
    EXPECT_FALSE(fs::exists(Tree().Path("Program Files/Vantelo")));
    // A display whose mode cannot be read passes.
    display.depths = {std::nullopt};
    EXPECT_EQ(Run("-nook"), 1);

    // NT 4 without DirectInput: DirectX 2, which the summary names as too old.
    Fresh();
    AddEveryBrowser();
    testing_support::DebugCapture debug;
    directX.failing = 3;
    Collaborators nt4 = Machine(OsProfile{OsFamily::WindowsNT, 4});
    Installer installer(nt4);
    EXPECT_EQ(installer.Run(""), 0);
    EXPECT_EQ(installer.directXVersion(), kDirectX2);
    ASSERT_EQ(prompts->calls().size(), 1u);
    EXPECT_EQ(prompts->calls()[0].text,
              std::string(LoadString(121)) + "\n" + std::string(LoadString(114)) + "\n" +
                  std::string(LoadString(122)) + "\n" + std::string(LoadString(125)) + "\n");
    EXPECT_TRUE(debug.Contains("Couldn't LoadLibrary DInput\r\n"));
    EXPECT_FALSE(fs::exists(Tree().Path("Program Files/Vantelo")));
    EXPECT_FALSE(fs::exists(Tree().Path("Opera/plugins/NPvantelo.so")));
}

TEST_F(InstallerTest, TheDirectXTestStopsAtTheFirstStepThatFails) {
    testing_support::DebugCapture debug;
    const struct {
        int failing;
        int version;
        const char* line;
    } cases[] = {
        {0, 0, "Couldn't LoadLibrary DDraw\r\n"},
        {1, 0, "Couldn't create DDraw\r\n"},
        {2, kDirectX1, "Couldn't QI DDraw2\r\n"},
        {3, kDirectX2, "Couldn't LoadLibrary DInput\r\n"},
        {4, kDirectX2, "Couldn't GetProcAddress DInputCreate\r\n"},
        {5, kDirectX3, "Couldn't Set coop level\r\n"},
        {6, kDirectX3, "Couldn't CreateSurface\r\n"},
        {7, kDirectX3, nullptr},
        {8, kDirectX5, nullptr},
        {-1, kDirectX6, nullptr},
    };
    int osKind = -1;
    for (const auto& step : cases) {
        debug.Clear();
        directX.failing = step.failing;
        EXPECT_EQ(DetectDirectXVersion(OsProfile{}, directX, osKind), step.version) << step.failing;
        EXPECT_EQ(debug.lines(),
                  step.line ? std::vector<std::string>{step.line} : std::vector<std::string>{});
    }
    EXPECT_EQ(osKind, kOsWindowsNT);
    directX.failing = 0;
    EXPECT_EQ(DetectDirectXVersion(OsProfile{OsFamily::Windows9x, 5}, directX, osKind), kDirectX6);
    EXPECT_EQ(osKind, kOsWindows9x);
    EXPECT_EQ(DetectDirectXVersion(OsProfile{OsFamily::WindowsNT, 3}, directX, osKind), 0);
    EXPECT_EQ(osKind, kOsUnknown);

    // This machine's display layer: everything, the fifth surface interface only with the new
    // interface, DirectInput only with a mouse.
    GfxDirectXSteps gfxSteps;
    EXPECT_EQ(DetectDirectXVersion(OsProfile{}, gfxSteps, osKind), kDirectX6);
    gfx::display::SetNewInterfaceRefused(true);
    GfxDirectXSteps olderDisplay;
    EXPECT_EQ(DetectDirectXVersion(OsProfile{}, olderDisplay, osKind), kDirectX5);
    gfx::mouse::SetRefused(true);
    GfxDirectXSteps noMouse;
    EXPECT_EQ(DetectDirectXVersion(OsProfile{}, noMouse, osKind), kDirectX2);
}

TEST_F(InstallerTest, TheControlThatCannotBeRegisteredIsReported) {
    testing_support::DebugCapture debug;
    // The number tells a file that is no library of this machine from a library whose own
    // libraries are missing.
    const std::string control = ReadFile(VANTELO_CONTROL_LIBRARY);
    std::string otherWordSize = control;
    otherWordSize[4] = otherWordSize[4] == 2 ? 1 : 2;
    std::string missingDependency = control;
    const std::string needed("libjpeg.so.62\0", 14);
    for (std::size_t at = 0; (at = missingDependency.find(needed, at)) != std::string::npos;) {
        missingDependency.replace(at, needed.size(), std::string("libjpeq.so.62\0", 14));
    }
    ASSERT_NE(missingDependency, control);
    const struct {
        const char* what;
        std::string bytes;
        int number;
    } libraries[] = {
        {"not a library at all", "not a library", 193},
        {"a library of another word size", otherWordSize, 193},
        {"a library whose own library is missing", missingDependency, 126},
    };
    for (const auto& library : libraries) {
        SCOPED_TRACE(library.what);
        Fresh();
        AddProgramFiles();
        AddOpera();
        debug.Clear();
        Tree().Write("package/Vantelo.so", library.bytes);
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"LoadLibrary() Failed with: " +
                                                    std::to_string(library.number)});
        EXPECT_FALSE(debug.lines().empty());
        ASSERT_EQ(dialog.shown.size(), 1u);
        EXPECT_EQ(dialog.shown[0].find("Internet Explorer"), std::string::npos);
    }

    // A library without the registration entry.
    Fresh();
    AddProgramFiles();
    fs::remove(Package(kControlLibrary));
    fs::copy_file(VANTELO_NO_ENTRY_SERVER, Package(kControlLibrary));
    EXPECT_EQ(Run("-nook"), 0);
    EXPECT_EQ(Boxes().front(), "GetProcAddress() Failed with 127");

    // Without ProgramFilesDir the user's data folder takes the program, parents and all.
    Fresh();
    AddOpera();
    EXPECT_EQ(Run("-nook"), 1);
    EXPECT_TRUE(Installed(ProgramHome() + "/data/vantelo/program/Vantelo/1.50", kControlLibrary));

    // A program folder that cannot be made.
    Fresh();
    SetString(RegHive::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
              "ProgramFilesDir", Tree().Write("a file", "x"));
    EXPECT_EQ(Run("-nook"), 0);
    EXPECT_EQ(Boxes().front(),
              "Can't create directory " + Tree().Path("a file") +
                  "/Vantelo.\nYou must be logged on as administrator on windows NT");
}

TEST_F(InstallerTest, TheShippedPackageInstallsFromTheFolderItStartsIn) {
    AddProgramFiles();
    AddNetscape4({"4.8"}, "4.8");
    AddMozilla("Mozilla Firefox");
    AddOpera();
    const std::string package = Tree().Path("shipped");
    fs::copy(VANTELO_PACKAGE, package);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing_support::UsePrivateRuntimeFolder();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::chdir(package.c_str()) != 0) ::_exit(99);
        ::execl("./installer", "./installer", "-nook", static_cast<char*>(nullptr));
        ::_exit(98);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(Installed(ProgramFolder(), kControlLibrary, package));
    EXPECT_TRUE(Installed(ProgramFolder(), kCodecLibrary, package));
    EXPECT_TRUE(Installed(Tree().Path("netscape 4.8"), kNetscapePlugin, package));
    EXPECT_TRUE(Installed(Tree().Path("netscape 4.8"), kNetscapeClass, package));
    for (const std::string folder : {"Mozilla Firefox/plugins", "Opera/plugins"}) {
        for (std::string_view name : {kMozillaPlugin, kMozillaInterfaces, kCodecLibrary}) {
            EXPECT_TRUE(Installed(Tree().Path(folder), name, package)) << folder << "/" << name;
        }
    }
}

}  // namespace
}  // namespace installer
