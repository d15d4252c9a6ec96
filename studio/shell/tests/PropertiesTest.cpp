#include "studio/shell/Properties.h"

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

RegKey KivoKey(Registry& registry) {
    RegKey key;
    EXPECT_EQ(RegKey::Create(registry, RegHive::CurrentUser, "Software\\Vantelo\\Kivo", "", key),
              RegResult::Ok);
    return key;
}

TEST(Properties, WithoutAKeyEveryValueIsItsDefault) {
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
    EXPECT_FALSE(std::filesystem::exists(registry.HivePath(RegHive::CurrentUser)));
}

TEST(Properties, SavedValuesLoadBackAndFloatsKeepTheirBytes) {
    testing_support::TempDir dir;
    Registry registry(dir.path());
    {
        Properties p(registry);
        p.SetMinZoom(0.25f);
        p.SetBgColor(0x336699);
        p.SetEditorHtml("/usr/bin/editor \xc3\xa9");
        p.SetThumbSize({64, 32});
        p.SetPosY(-1.5f);
        EXPECT_TRUE(p.IsChanged());
        EXPECT_TRUE(p.Save());
        EXPECT_FALSE(p.IsChanged());
    }
    RegKey key = KivoKey(registry);
    EXPECT_EQ(key.GetDword("VanteloMinZoom"), 0x3E800000u);
    EXPECT_EQ(key.GetDword("VanteloBgColor"), 0x336699u);
    std::string className;
    ASSERT_EQ(key.GetClass(className), RegResult::Ok);
    EXPECT_EQ(className, "vantelo");

    Properties q(registry);
    q.Load();
    EXPECT_EQ(q.GetMinZoom(), 0.25f);
    EXPECT_EQ(q.GetBgColor(), 0x336699);
    EXPECT_EQ(q.GetEditorHtml(), "/usr/bin/editor \xc3\xa9");
    EXPECT_EQ(q.GetThumbSize(), Vector2<int>(64, 32));
    EXPECT_EQ(q.GetPosY(), -1.5f);
    EXPECT_EQ(q.GetMaxZoom(), 10.0f);
    EXPECT_FALSE(q.IsChanged());

    // Values of another size are passed over; the stored type is not looked at.
    ASSERT_EQ(key.SetBinary("VanteloFit", {1, 2}), RegResult::Ok);
    ASSERT_EQ(key.SetBinary("VanteloLock", {7, 0, 0, 0}), RegResult::Ok);
    q.SetFit(5);
    q.Load();
    EXPECT_EQ(q.GetFit(), 5);
    EXPECT_EQ(q.GetLock(), 7);
}

TEST(Properties, SaveWritesOnlyWhenSomethingChanged) {
    testing_support::TempDir dir;
    Registry registry(dir.path());
    Properties p(registry);
    p.SetLock(1);
    ASSERT_TRUE(p.Save());
    const std::string hive = registry.HivePath(RegHive::CurrentUser);
    ASSERT_TRUE(std::filesystem::remove(hive));
    EXPECT_TRUE(p.Save());
    EXPECT_FALSE(std::filesystem::exists(hive));

    // A registry that cannot be written keeps the changes marked.
    dir.Write("current-user.hive", "not a hive\n");
    testing_support::DebugCapture quiet;
    p.SetFit(1);
    EXPECT_FALSE(p.Save());
    EXPECT_TRUE(p.IsChanged());
    EXPECT_EQ(testing_support::ReadFile(hive), "not a hive\n");
}

}  // namespace
