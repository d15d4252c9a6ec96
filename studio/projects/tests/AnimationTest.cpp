#include "studio/projects/Animation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "platform/files/Hidden.h"
#include "studio/projects/AnimationFile.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "studio/shell/DataFolder.h"
#include "testing/DebugCapture.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

namespace fs = std::filesystem;
using gallery_testing::FilesIn;
using gallery_testing::GalleryEnvironment;
using testing_support::ReadFile;
using testing_support::ScriptedPrompts;

constexpr const char* kCorrupt = "The animation file seems to be corrupt";

// Rows of a point list, as the sheet's list control would keep them.
class Rows : public AnimationPointRows {
public:
    int GetSelectedRow() const override { return selected; }
    void DeleteAllRows() override {
        names.clear();
        selected = -1;
    }
    void AppendRow(const std::string& name) override { names.push_back(name); }
    void SelectRow(int row) override { selected = row; }

    std::vector<std::string> names;
    int selected = -1;
};

AnimationPoint Point(const std::string& name, Vector3 position) {
    AnimationPoint point;
    point.name = name;
    point.position = position;
    point.size = Vector2<int>(320, 200);
    return point;
}

// An animation over its own temporary folder, the data folder of the source tree, and a
// folder of pictures.
class AnimationTest : public ::testing::Test {
protected:
    AnimationTest() {
        SetDataFolder(VANTELO_SOURCE_DATA_FOLDER);
        pictures_ = env_.root().Path("pictures") + "/";
        fs::create_directories(pictures_);
    }
    ~AnimationTest() override { SetDataFolder(""); }

    std::string Picture(const std::string& name, const std::string& bytes = "picture") {
        return env_.root().Write("pictures/" + name, bytes);
    }

    GalleryEnvironment env_;
    ScriptedPrompts prompts_;
    std::string pictures_;
};

TEST_F(AnimationTest, ExtraVariablesAndDefaults) {
    Animation animation(env_.properties());
    EXPECT_EQ(animation.GetTitle(), "Animation");
    EXPECT_EQ(animation.GetTemplateSubfolder(), "animation/");
    EXPECT_EQ(animation.GetPlayMode(), 2);
    EXPECT_EQ(animation.GetSpeed(), 100);
    EXPECT_FALSE(animation.IsModified());
    EXPECT_FALSE(animation.HasImage());
    const std::pair<int, const char*> speeds[] = {{100, "100"}, {150, "50"}, {200, "0"}};
    for (const auto& [speed, text] : speeds) {
        animation.SetSpeed(speed);
        EXPECT_EQ(animation.GetExtraVariable("animspeed", ""), text);
    }
    EXPECT_FALSE(animation.IsModified());  // the sheet marks speed changes itself
    animation.SetSpeed(-2147483647 - 1);
    EXPECT_EQ(animation.GetExtraVariable("animspeed", ""), "2147483848");
    animation.SetPlayMode(5);
    EXPECT_TRUE(animation.IsModified());
    EXPECT_EQ(animation.GetExtraVariable("animmode", " x"), "5");
    EXPECT_EQ(animation.GetExtraVariable("title", ""), "");

    animation.SetTitle("a<b>c");
    EXPECT_EQ(animation.GetTitle(), "a(b)c");
    EXPECT_EQ(animation.NextPointName(), "Unnamed 1");
    EXPECT_EQ(animation.NextPointName(), "Unnamed 2");
}

TEST_F(AnimationTest, PointsInPlayingOrder) {
    Animation animation(env_.properties());
    animation.Initialize(nullptr);
    EXPECT_EQ(animation.InsertPoint(-1, Point("x", {})), nullptr);  // no picture yet
    ASSERT_TRUE(animation.Open(Picture("photo.jpg")));
    EXPECT_TRUE(animation.HasImage());

    ASSERT_NE(animation.InsertPoint(-1, Point("b", {1, 1, 1})), nullptr);
    ASSERT_NE(animation.InsertPoint(0, Point("a", {0, 0, 1})), nullptr);
    AnimationPoint* c = animation.InsertPoint(2, Point("c", {NAN, INFINITY, 2}));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->position, Vector3(0, 0, 2));
    EXPECT_EQ(animation.InsertPoint(4, Point("far", {})), nullptr);
    EXPECT_EQ(animation.GetPointCount(), 3);
    EXPECT_EQ(animation.GetPoint(3), nullptr);
    EXPECT_EQ(animation.GetPoint(-1), nullptr);
    EXPECT_EQ(animation.GetPoint(2), c);

    Rows rows;
    rows.selected = 2;
    animation.FillPointList(rows);
    EXPECT_EQ(rows.names, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(rows.selected, 2);

    EXPECT_TRUE(animation.RemovePoint(c));
    EXPECT_FALSE(animation.RemovePoint(c));
    animation.FillPointList(rows);
    EXPECT_EQ(rows.names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(rows.selected, -1);  // the selected row is gone
}

TEST_F(AnimationTest, SavesBesideThePictureAndOpensItAgain) {
    const std::string picture = Picture("photo.jpg");
    Picture("photo.txt", "not a picture");
    {
        Animation animation(env_.properties());
        animation.Initialize(nullptr);
        ASSERT_TRUE(animation.Open(picture));
        animation.SetTitle("Tour<1>");
        animation.SetPlayMode(4);
        animation.SetSpeed(150);
        animation.SetWindowWidth(640);
        animation.SetWindowHeight(480);
        animation.InsertPoint(-1, Point("start", {10.5f, -3.25f, 1}));
        animation.InsertPoint(-1, Point("end", {100, 200, 4}));
        EXPECT_TRUE(animation.IsModified());
        EXPECT_EQ(animation.GetImagePath(), picture);
        EXPECT_EQ(animation.GetAnimationFilePath(), pictures_ + "photo.vte");
        EXPECT_TRUE(animation.SaveAnimationFile());
        EXPECT_FALSE(animation.IsModified());
    }
    const std::string file = pictures_ + "photo.vte";
    EXPECT_TRUE(platform::IsHidden(file));
    EXPECT_TRUE(ReadFile(file).starts_with("<ANIMTITLE>Tour(1)</ANIMTITLE><ANIMMODE>4</ANIMMODE>"));

    // Opening the animation file finds the picture beside it and passes over the text file.
    Animation again(env_.properties());
    again.Initialize(nullptr);
    ASSERT_TRUE(again.Open(file));
    EXPECT_EQ(again.GetImagePath(), picture);
    EXPECT_EQ(again.GetTitle(), "Tour(1)");
    EXPECT_EQ(again.GetPlayMode(), 4);
    EXPECT_EQ(again.GetSpeed(), 150);
    EXPECT_EQ(again.GetWindowWidth(), 640);
    EXPECT_EQ(again.GetWindowHeight(), 480);
    ASSERT_EQ(again.GetPointCount(), 2);
    EXPECT_EQ(again.GetPoint(0)->name, "start");
    EXPECT_EQ(again.GetPoint(0)->position, Vector3(10.5f, -3.25f, 1));
    EXPECT_EQ(again.GetPoint(1)->size, Vector2<int>(320, 200));  // as saved
    EXPECT_FALSE(again.IsModified());
    EXPECT_EQ(again.NextPointName(), "Unnamed 3");  // every point read counts
    EXPECT_TRUE(prompts_.calls().empty());
    EXPECT_TRUE(FilesIn(again.GetWorkingFolder()).count("photo.jpg"));
}

TEST_F(AnimationTest, SavingThatFailsKeepsTheChanges) {
    Animation animation(env_.properties());
    animation.Initialize(nullptr);
    EXPECT_FALSE(animation.SaveAnimationFile());  // no picture
    ASSERT_TRUE(animation.Open(Picture("photo.jpg")));
    animation.InsertPoint(-1, Point("p", {}));
    fs::create_directory(pictures_ + "photo.vte");  // the name is taken by a folder
    EXPECT_FALSE(animation.SaveAnimationFile());
    EXPECT_TRUE(animation.IsModified());
}

TEST_F(AnimationTest, DamagedOrMissingAnimationFiles) {
    const std::string picture = Picture("photo.jpg");
    Animation animation(env_.properties());
    animation.Initialize(nullptr);
    std::list<AnimationPoint> points;
    EXPECT_FALSE(animation.LoadAnimationFile(picture, points));  // none there
    EXPECT_TRUE(prompts_.calls().empty());

    env_.root().Write("pictures/photo.vte",
                      "<ANIMTITLE>Cut</ANIMTITLE><POINTDATA><POINT><NAME>half");
    EXPECT_TRUE(animation.LoadAnimationFile(picture, points));
    ASSERT_EQ(prompts_.calls().size(), 1u);
    EXPECT_EQ(prompts_.calls()[0].text, kCorrupt);
    EXPECT_EQ(prompts_.calls()[0].caption, "Serious error");
    EXPECT_FALSE(prompts_.calls()[0].hasOwner);
    EXPECT_EQ(animation.GetTitle(), "Cut");  // what was read stays
    EXPECT_EQ(points.size(), 1u);

    // An animation file whose picture is gone still gives its points.
    env_.root().Write("pictures/lost.vte",
                      "<ANIMTITLE>Lost</ANIMTITLE><POINTDATA><POINT><NAME>kept</NAME></POINT>"
                      "</POINTDATA>");
    ASSERT_TRUE(animation.Open(pictures_ + "lost.vte"));
    EXPECT_EQ(prompts_.calls().back().text, "Can not find the image file");
    EXPECT_EQ(prompts_.calls().back().caption, "Opening '.vte' file");
    EXPECT_FALSE(animation.HasImage());
    EXPECT_EQ(animation.GetPointCount(), 1);
    EXPECT_FALSE(animation.SaveAnimationFile());
}

TEST_F(AnimationTest, LoadingAnotherPictureKeepsThePoints) {
    Animation animation(env_.properties());
    animation.Initialize(nullptr);
    // Without a picture the title comes from the picture's name.
    ASSERT_TRUE(animation.LoadImage(Picture("first.jpg")));
    EXPECT_EQ(animation.GetTitle(), "first");
    animation.InsertPoint(-1, Point("one", {1, 2, 3}));
    animation.InsertPoint(-1, Point("two", {4, 5, 6}));

    fs::create_directories(env_.root().Path("other"));
    const std::string second = env_.root().Write("other/second.png", "png");
    ASSERT_TRUE(animation.LoadImage(second));
    EXPECT_EQ(animation.GetImagePath(), second);
    ASSERT_EQ(animation.GetPointCount(), 2);
    EXPECT_EQ(animation.GetPoint(1)->name, "two");
    EXPECT_EQ(FilesIn(animation.GetWorkingFolder()).count("first.jpg"), 0u);
    EXPECT_EQ(FilesIn(animation.GetWorkingFolder()).count("second.png"), 1u);

    // A picture that cannot be copied changes nothing.
    EXPECT_FALSE(animation.LoadImage(env_.root().Path("other/missing.jpg")));
    EXPECT_EQ(prompts_.calls().back().text, "Failed to copy image to temporary");
    EXPECT_EQ(prompts_.calls().back().caption, "Generator");
    EXPECT_EQ(animation.GetImagePath(), second);
    EXPECT_EQ(animation.GetPointCount(), 2);
}

TEST_F(AnimationTest, PageAndScriptsFromTheTemplate) {
    testing_support::DebugCapture debug;
    Animation animation(env_.properties());
    animation.SetSpeed(150);
    animation.SetPlayMode(3);
    animation.Initialize(nullptr);
    EXPECT_FALSE(animation.IsModified());
    const std::string data = animation.GetWorkingFolder() + "data/";
    EXPECT_EQ(FilesIn(data),
              (std::set<std::string>{"animation.css", "animation.js", "vantelo.js"}));
    const std::string script = ReadFile(data + "animation.js");
    EXPECT_NE(script.find("var defaultSpeed = 50;"), std::string::npos);
    EXPECT_NE(script.find("var defaultMode = 3;"), std::string::npos);
    EXPECT_EQ(script.find("{{"), std::string::npos);

    ASSERT_TRUE(animation.Open(Picture("photo.jpg")));
    animation.InsertPoint(-1, Point("a", {1, 2, 3}));
    animation.InsertPoint(-1, Point("b", {-4, 5.5f, 0.25f}));
    const std::string page = animation.GeneratePage();
    EXPECT_EQ(page, animation.GetWorkingFolder() + "index.htm");
    EXPECT_EQ(animation.GetPagePath(), page);
    EXPECT_EQ(animation.GetVariableText("animmode"), "3");
    const std::string html = ReadFile(page);
    EXPECT_NE(html.find("VanteloAnimation.setup(\"VT0\", [[1.000000,2.000000,3.000000],"
                        "[-4.000000,5.500000,0.250000]], 50, 3);"),
              std::string::npos);
    EXPECT_NE(html.find("<param name=\"param_filename\" value=\"photo.jpg\">"), std::string::npos);
    EXPECT_NE(html.find("classid=\"clsid:7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73\""),
              std::string::npos);
    EXPECT_EQ(html.find("{{"), std::string::npos);
    EXPECT_EQ(html.find("<nav"), std::string::npos);  // the buttons are for exported pages
    EXPECT_TRUE(prompts_.calls().empty());
    EXPECT_TRUE(debug.lines().empty());
}

TEST_F(AnimationTest, SavingIntoAFolderMakesAFreshFolderEachTime) {
    Animation animation(env_.properties());
    animation.Initialize(nullptr);
    ASSERT_TRUE(animation.Open(Picture("photo.jpg")));
    animation.InsertPoint(-1, Point("a", {1, 2, 3}));
    ASSERT_TRUE(animation.SaveAnimationFile());
    // The working folder holds the picture's animation file once it is opened again.
    ASSERT_TRUE(animation.Open(pictures_ + "photo.vte"));
    ASSERT_TRUE(FilesIn(animation.GetWorkingFolder()).count("photo.vte"));

    const std::string out = env_.root().Path("out");
    fs::create_directories(out);
    EXPECT_TRUE(animation.SaveToFolder(out));
    EXPECT_TRUE(animation.SaveToFolder(out + "/"));
    ASSERT_EQ(prompts_.calls().size(), 2u);
    EXPECT_EQ(prompts_.calls()[0].text,
              "The Animation has been successfully saved!\n\nThe files are located in:\n" + out +
                  "/Animation/");
    EXPECT_EQ(prompts_.calls()[1].caption, "Animation save");
    EXPECT_TRUE(prompts_.calls()[1].text.ends_with(out + "/Animation1/"));
    const std::string first = out + "/Animation/";
    EXPECT_EQ(FilesIn(first), (std::set<std::string>{"index.htm", "photo.jpg"}));
    EXPECT_EQ(FilesIn(first + "data"),
              (std::set<std::string>{"animation.css", "animation.js", "vantelo.js"}));
    EXPECT_TRUE(fs::is_directory(out + "/Animation1/data"));
    // Every file the page refers to is there.
    const std::string html = ReadFile(first + "index.htm");
    int references = 0;
    for (const char* attribute : {"src=\"", "href=\"", "param_filename\" value=\""}) {
        for (std::size_t at = html.find(attribute); at != std::string::npos;
             at = html.find(attribute, at + 1)) {
            const std::size_t start = at + std::string(attribute).size();
            const std::string ref = html.substr(start, html.find('"', start) - start);
            if (ref.find('.') == std::string::npos || ref.find(':') != std::string::npos) continue;
            EXPECT_TRUE(fs::exists(first + ref)) << ref;
            ++references;
        }
    }
    EXPECT_EQ(references, 5);

    // A title that names no plain folder still stays inside the chosen one.
    animation.SetTitle("../up/..");
    EXPECT_TRUE(animation.SaveToFolder(out));
    EXPECT_TRUE(fs::is_directory(out + "/.._up_.."));
    animation.SetTitle("..");
    EXPECT_TRUE(animation.SaveToFolder(out));
    EXPECT_TRUE(fs::is_directory(out + "/Vantelo"));

    EXPECT_FALSE(animation.SaveToFolder(env_.root().Path("nowhere")));
    EXPECT_EQ(prompts_.calls().back().text, "Failed to save animation successfully");
}

TEST_F(AnimationTest, ExportingLeavesTheUsersFilesAlone) {
    Animation animation(env_.properties());
    animation.Initialize(nullptr);
    ASSERT_TRUE(animation.Open(Picture("photo.jpg")));
    ASSERT_TRUE(animation.SaveAnimationFile());
    ASSERT_TRUE(animation.Open(pictures_ + "photo.jpg"));

    const std::string site = env_.root().Path("site") + "/";
    env_.root().Write("site/photo.vte", "the user's own");
    env_.root().Write("site/index.htm", "the user's index");
    env_.root().Write("site/tour.htm", "an older export");
    EXPECT_TRUE(animation.ExportTo(site + "tour.htm"));
    EXPECT_EQ(FilesIn(site),
              (std::set<std::string>{"index.htm", "photo.jpg", "photo.vte", "tour.htm"}));
    EXPECT_EQ(ReadFile(site + "photo.vte"), "the user's own");
    EXPECT_EQ(ReadFile(site + "index.htm"), "the user's index");
    EXPECT_NE(ReadFile(site + "tour.htm").find("VanteloAnimation.setup"), std::string::npos);
    EXPECT_NE(ReadFile(site + "tour.htm").find("<nav"), std::string::npos);
    EXPECT_FALSE(animation.IsExporting());
    // Exporting again finds its own picture there.
    EXPECT_TRUE(animation.ExportTo(site + "tour.htm"));

    // A different picture of the same name is never replaced: the export fails instead.
    env_.root().Write("other/photo.jpg", "another picture");
    EXPECT_FALSE(animation.ExportTo(env_.root().Path("other/page.htm")));
    EXPECT_EQ(ReadFile(env_.root().Path("other/photo.jpg")), "another picture");
    EXPECT_FALSE(animation.ExportTo(env_.root().Path("missing/page.htm")));
}

}  // namespace
