#include "platform/registry/Registry.h"

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using platform::RegHive;
using platform::Registry;
using platform::RegKey;
using platform::RegResult;
using platform::RegType;
using platform::RegValue;

std::vector<std::uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

std::string DeepPath(int depth) {
    std::string path = "k";
    for (int i = 1; i < depth; ++i) path += "\\k";
    return path;
}

TEST(Registry, ValuesOfEveryTypeRoundTripThroughTheFile) {
    testing_support::TempDir dir;
    std::vector<std::uint8_t> everyByte;
    for (int i = 0; i < 256; ++i) everyByte.push_back(static_cast<std::uint8_t>(i));
    const std::vector<std::pair<std::string, RegValue>> values = {
        {"Text", {RegType::Sz, Bytes(std::string_view("/usr/bin/gimp \"x\"\\y \xc3\xa9\0", 22))}},
        {"", {RegType::Sz, Bytes(std::string_view("default\0", 8))}},
        {"NoTerminator", {RegType::Sz, Bytes("abc")}},
        {"InnerZero", {RegType::Sz, Bytes(std::string_view("a\0b\0", 4))}},
        {"Dword", {RegType::Dword, {0x00, 0x00, 0x80, 0x3E}}},
        {"ShortDword", {RegType::Dword, {0x01, 0x02}}},
        {"Binary", {RegType::Binary, everyByte}},
        {"Empty", {RegType::Binary, {}}},
        {"Other", {static_cast<RegType>(7), Bytes(std::string_view("a\0\0", 3))}},
        {"odd \"name\"\\\t=[]", {RegType::Dword, {1, 2, 3, 4}}},
    };
    {
        Registry registry(dir.path());
        RegKey key;
        ASSERT_EQ(RegKey::Create(registry, RegHive::CurrentUser, "Software\\Vantelo\\Kivo",
                                 "vantelo", key),
                  RegResult::Ok);
        ASSERT_EQ(key.SetValues(values), RegResult::Ok);
    }

    Registry registry(dir.path());
    RegKey key;
    ASSERT_EQ(RegKey::Open(registry, RegHive::CurrentUser, "SOFTWARE\\vantelo\\KIVO", key),
              RegResult::Ok);
    for (const auto& [name, expected] : values) {
        RegValue got;
        ASSERT_EQ(key.QueryValue(name, got), RegResult::Ok) << name;
        EXPECT_EQ(got.type, expected.type) << name;
        EXPECT_EQ(got.data, expected.data) << name;
    }
    std::vector<std::string> names;
    ASSERT_EQ(key.EnumValues(names), RegResult::Ok);
    ASSERT_EQ(names.size(), values.size());
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], values[i].first);

    std::string className;
    EXPECT_EQ(key.GetClass(className), RegResult::Ok);
    EXPECT_EQ(className, "vantelo");
    EXPECT_EQ(key.GetString("text"), std::string("/usr/bin/gimp \"x\"\\y \xc3\xa9"));
    EXPECT_EQ(key.GetString("innerzero"), std::string("a"));
    EXPECT_EQ(key.GetDword("DWORD"), 0x3E800000u);
    EXPECT_EQ(key.GetDword("ShortDword"), std::nullopt);
    EXPECT_EQ(key.GetDword("Binary"), std::nullopt);
    EXPECT_EQ(key.GetString("Missing"), std::nullopt);
    std::vector<std::optional<platform::RegValue>> several;
    ASSERT_EQ(key.QueryValues({"dword", "Missing"}, several), RegResult::Ok);
    ASSERT_EQ(several.size(), 2u);
    ASSERT_TRUE(several[0]);
    EXPECT_EQ(several[0]->FourBytes(), 0x3E800000u);
    EXPECT_FALSE(several[1]);

    // A person can read the file.
    const std::string text = testing_support::ReadFile(registry.HivePath(RegHive::CurrentUser));
    EXPECT_NE(text.find("[Software\\Vantelo\\Kivo] class=\"vantelo\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Dword\"=dword:3e800000\n"), std::string::npos);
}

TEST(Registry, KeysMatchWithoutCaseKeepTheirSpellingAndDeleteAsAsked) {
    testing_support::TempDir dir;
    Registry registry(dir.path());
    RegKey root;
    ASSERT_EQ(RegKey::Open(registry, RegHive::CurrentUser, "", root), RegResult::Ok);
    RegKey missing;
    EXPECT_EQ(RegKey::Open(registry, RegHive::CurrentUser, "Software", missing),
              RegResult::NotFound);
    EXPECT_FALSE(missing.IsOpen());

    RegKey a;
    bool created = false;
    ASSERT_EQ(root.CreateSubKey("Software\\Beta", "", a, &created), RegResult::Ok);
    EXPECT_TRUE(created);
    ASSERT_EQ(root.CreateSubKey("SOFTWARE\\alpha", "", a, &created), RegResult::Ok);
    EXPECT_TRUE(created);
    ASSERT_EQ(root.CreateSubKey("software\\BETA", "ignored", a, &created), RegResult::Ok);
    EXPECT_FALSE(created);
    std::string className;
    ASSERT_EQ(a.GetClass(className), RegResult::Ok);
    EXPECT_EQ(className, "");

    RegKey software;
    ASSERT_EQ(root.OpenSubKey("software", software), RegResult::Ok);
    std::vector<std::string> names;
    ASSERT_EQ(software.EnumSubKeys(names), RegResult::Ok);
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta"}));

    ASSERT_EQ(a.SetString("Name", "one"), RegResult::Ok);
    ASSERT_EQ(a.SetString("NAME", "two"), RegResult::Ok);
    ASSERT_EQ(a.EnumValues(names), RegResult::Ok);
    EXPECT_EQ(names, (std::vector<std::string>{"Name"}));
    EXPECT_EQ(a.GetString("name"), "two");
    EXPECT_EQ(a.DeleteValue("nAmE"), RegResult::Ok);
    EXPECT_EQ(a.DeleteValue("Name"), RegResult::NotFound);

    RegKey deep;
    ASSERT_EQ(a.CreateSubKey("Deep", "", deep), RegResult::Ok);
    EXPECT_EQ(software.DeleteSubKey("beta"), RegResult::HasSubkeys);
    EXPECT_EQ(software.DeleteTree("beta"), RegResult::Ok);
    // Handles of deleted keys stay harmless.
    EXPECT_EQ(a.SetDword("x", 1), RegResult::NotFound);
    EXPECT_EQ(deep.GetDword("x"), std::nullopt);
    EXPECT_EQ(software.DeleteSubKey("Alpha"), RegResult::Ok);
    EXPECT_EQ(software.EnumSubKeys(names), RegResult::Ok);
    EXPECT_TRUE(names.empty());

    EXPECT_EQ(root.OpenSubKey(std::string(300, 'k'), a), RegResult::InvalidArgument);
    EXPECT_EQ(RegKey().SetDword("x", 1), RegResult::InvalidArgument);
}

TEST(Registry, ClassesRootIsTheMachineClassesKey) {
    testing_support::TempDir dir;
    Registry registry(dir.path());
    RegKey server;
    ASSERT_EQ(
        RegKey::Create(registry, RegHive::ClassesRoot, "CLSID\\{1}\\InprocServer32", "", server),
        RegResult::Ok);
    ASSERT_EQ(server.SetString("", "/opt/lib.so"), RegResult::Ok);

    RegKey same;
    ASSERT_EQ(RegKey::Open(registry, RegHive::LocalMachine,
                           "software\\classes\\clsid\\{1}\\inprocserver32", same),
              RegResult::Ok);
    EXPECT_EQ(same.GetString(""), "/opt/lib.so");
}

TEST(Registry, WritersInSeveralProcessesAllSurvive) {
    testing_support::TempDir dir;
    constexpr int kWriters = 3;
    constexpr int kValues = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Registry registry(dir.path());
            RegKey key;
            bool ok = RegKey::Create(registry, RegHive::CurrentUser, "Software\\Shared", "", key) ==
                      RegResult::Ok;
            for (int i = 0; i < kValues && ok; ++i) {
                ok = key.SetDword("w" + std::to_string(w) + "v" + std::to_string(i),
                                  static_cast<std::uint32_t>(w * 1000 + i)) == RegResult::Ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Registry registry(dir.path());
    RegKey key;
    ASSERT_EQ(RegKey::Open(registry, RegHive::CurrentUser, "Software\\Shared", key), RegResult::Ok);
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValues; ++i) {
            EXPECT_EQ(key.GetDword("w" + std::to_string(w) + "v" + std::to_string(i)),
                      static_cast<std::uint32_t>(w * 1000 + i));
        }
    }
}

TEST(Registry, ADamagedHiveIsReportedAndLeftAsItIs) {
    testing_support::TempDir dir;
    Registry registry(dir.path());
    RegKey key;
    ASSERT_EQ(RegKey::Create(registry, RegHive::CurrentUser, "Software\\Vantelo", "", key),
              RegResult::Ok);
    ASSERT_EQ(key.SetDword("Keep", 7), RegResult::Ok);
    {
        // No change may write a hive that could not be read back: too large, or a key
        // deeper than a hive holds (this key sits two levels down already).
        testing_support::DebugCapture capture;
        EXPECT_EQ(key.SetBinary("Huge", std::vector<std::uint8_t>(22u << 20, 0xAB)),
                  RegResult::IoError);
        RegKey deep;
        EXPECT_EQ(key.CreateSubKey(DeepPath(511), "", deep), RegResult::InvalidArgument);
        EXPECT_EQ(key.CreateSubKey(DeepPath(510), "", deep), RegResult::Ok);
        EXPECT_EQ(key.GetDword("Keep"), 7u);
    }
    const std::string path = registry.HivePath(RegHive::CurrentUser);
    const std::string good = testing_support::ReadFile(path);

    const std::vector<std::string> damaged = {
        "",                                                     // emptied by a failing disk
        "garbage\n",                                            // not a hive at all
        good + "\"Half\"=dword:12",                             // a line cut short
        good + "\"Bad\"=hex:0g\n",                              // not hex
        good + "\"Unclosed=sz:\"x\"\n",                         // broken quoting
        "VANTELO-REGISTRY-HIVE 1\n\"NoKey\"=dword:00000001\n",  // a value outside any key
        "VANTELO-REGISTRY-HIVE 1\n[" + DeepPath(513) + "]\n",   // deeper than keys go
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        const std::string written = dir.Write("current-user.hive", text);
        ASSERT_EQ(written, path);
        testing_support::DebugCapture capture;
        RegValue value;
        EXPECT_EQ(key.QueryValue("Keep", value), RegResult::Damaged);
        EXPECT_EQ(key.SetDword("New", 1), RegResult::Damaged);
        RegKey other;
        EXPECT_EQ(RegKey::Create(registry, RegHive::CurrentUser, "Other", "", other),
                  RegResult::Damaged);
        EXPECT_EQ(testing_support::ReadFile(path), text);
        ASSERT_FALSE(capture.lines().empty());
        EXPECT_EQ(capture.lines()[0].rfind("Registry file " + path + " is damaged", 0), 0u);
    }
}

}  // namespace
