#include "studio/core/Properties.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using platform::RegHive;
using platform::Registry;
using platform::RegKey;
using platform::RegResult;

TEST(Properties, SavedValuesLoadBackAndFloatsKeepTheirBytes) {
    testing_support::TempDir dir;
    Registry registry(dir.path());
    Properties p(registry);
    p.Load();  // no key: every value keeps its default and nothing is written
    EXPECT_EQ(p.GetMaxZoom(), 10.0f);
    EXPECT_FALSE(std::filesystem::exists(registry.HivePath(RegHive::CurrentUser)));

    const std::string editor = "/usr/bin/editor \xc3\xa9 " + std::string(300, 'x');
    p.SetMinZoom(0.25f);
    p.SetBgColor(0x336699);
    p.SetEditorHtml(editor);
    p.SetThumbSize({64, 32});
    p.SetPosY(-1.5f);
    EXPECT_TRUE(p.Save());
    EXPECT_FALSE(p.IsChanged());
    RegKey key;
    ASSERT_EQ(RegKey::Open(registry, RegHive::CurrentUser, "Software\\Vantelo\\Kivo", key),
              RegResult::Ok);
    EXPECT_EQ(key.GetDword("VanteloMinZoom"), 0x3E800000u);

    Properties q(registry);
    q.Load();
    EXPECT_EQ(q.GetMinZoom(), 0.25f);
    EXPECT_EQ(q.GetBgColor(), 0x336699);
    EXPECT_EQ(q.GetEditorHtml(), editor);
    EXPECT_EQ(q.GetThumbSize(), Vector2<int>(64, 32));
    EXPECT_EQ(q.GetPosY(), -1.5f);
    EXPECT_EQ(q.GetMaxZoom(), 10.0f);

    // Numbers come only from values of exactly 4 bytes, whatever their stored type.
    ASSERT_EQ(key.SetBinary("VanteloFit", {1, 2}), RegResult::Ok);
    ASSERT_EQ(key.SetBinary("VanteloLock", {7, 0, 0, 0}), RegResult::Ok);
    q.SetFit(5);
    q.Load();
    EXPECT_EQ(q.GetFit(), 5);
    EXPECT_EQ(q.GetLock(), 7);
}

TEST(Properties, WithoutAKeyEveryGetterGivesItsDefault) {
    testing_support::TempDir dir;
    Registry registry(dir.path());
    Properties p(registry);
    p.Load();
    EXPECT_EQ(p.GetEditorImage(), "");
    EXPECT_EQ(p.GetEditorHtml(), "");
    EXPECT_EQ(p.GetThumbSize(), Vector2<int>(48, 48));
    EXPECT_EQ(p.GetThumbColor(), 0xFFFFFF);
    EXPECT_EQ(p.GetThumbQuality(), 75);
    EXPECT_EQ(p.GetMinZoom(), 0.1f);
    EXPECT_EQ(p.GetMaxZoom(), 10.0f);
    EXPECT_EQ(p.GetBgColor(), 0xFFFFFF);
    EXPECT_EQ(p.GetBorderColor(), 0);
    EXPECT_EQ(p.GetBorderSize(), Vector2<int>(1, 1));
    EXPECT_EQ(p.GetLock(), 0);
    EXPECT_EQ(p.GetFit(), 304);
    EXPECT_EQ(Vector3(p.GetPosX(), p.GetPosY(), p.GetPosZ()), Vector3(0, 0, 1));
    EXPECT_FALSE(p.IsChanged());
}

TEST(Properties, SavingTwiceWritesOnce) {
    testing_support::TempDir dir;
    Registry registry(dir.path());
    Properties p(registry);
    p.SetFit(1);
    ASSERT_TRUE(p.Save());
    // Another writer changes the value; a second save with nothing changed leaves it.
    RegKey key;
    ASSERT_EQ(RegKey::Open(registry, RegHive::CurrentUser, "Software\\Vantelo\\Kivo", key),
              RegResult::Ok);
    ASSERT_EQ(key.SetDword("VanteloFit", 7), RegResult::Ok);
    EXPECT_TRUE(p.Save());
    EXPECT_EQ(key.GetDword("VanteloFit"), 7u);
    p.SetLock(1);
    EXPECT_TRUE(p.Save());
    EXPECT_EQ(key.GetDword("VanteloFit"), 1u);
}

TEST(Properties, AFailedSaveKeepsTheChangesMarked) {
    testing_support::TempDir dir;
    Registry registry(dir.path());
    const std::string hive = dir.Write("current-user.hive", "not a hive\n");
    ASSERT_EQ(registry.HivePath(RegHive::CurrentUser), hive);
    testing_support::DebugCapture quiet;
    Properties p(registry);
    p.SetFit(1);
    EXPECT_FALSE(p.Save());
    EXPECT_TRUE(p.IsChanged());
    EXPECT_EQ(testing_support::ReadFile(hive), "not a hive\n");
}

}  // namespace
