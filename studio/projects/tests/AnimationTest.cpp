#include "studio/projects/Animation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <vector>

#include "platform/files/Hidden.h"
#include "studio/core/DataFolder.h"
#include "studio/projects/AnimationFile.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "testing/CommaLocale.h"
#include "testing/ScriptedPrompts.h"

namespace {

namespace af = animation_file;
namespace fs = std::filesystem;
using gallery_testing::FilesIn;
using testing_support::ReadFile;
using FileSet = std::set<std::string>;

const char kTour[] =
    "<ANIMTITLE>Tour</ANIMTITLE><ANIMMODE>2</ANIMMODE><ANIMSPEED>100</ANIMSPEED>"
    "<ANIMWINDOWWIDTH>320</ANIMWINDOWWIDTH><ANIMWINDOWHEIGHT>200</ANIMWINDOWHEIGHT>"
    "<POINTDATA><POINT><NAME>Unnamed 1</NAME><POS>0.000000,0.000000,1.000000</POS>"
    "<SIZE>320,200</SIZE></POINT></POINTDATA>";

TEST(AnimationFile, WritesTheExactTextAndReadsEveryValueBackUnderACommaLocale) {
    af::Settings tour;
    tour.title = "Tour";
    EXPECT_EQ(af::Write(tour, {{"Unnamed 1", {0, 0, 1}, {320, 200}}}), kTour);

    CommaLocale locale;
    ASSERT_TRUE(CommaLocale::HasComma()) << "no locale with a decimal comma could be made";
    const af::Settings settings{"Über <den> Dächern, 2", 5, 37, 640, 480};
    const std::list<AnimationPoint> points{{"a", {-12.5f, 3.25f, 0.125f}, {640, 480}},
                                           {"", {1000.75f, -0.5f, 8}, {1, 2}},
                                           {"<c, d>", {0, 0, 1}, {-3, 0}}};
    const std::string text = af::Write(settings, points);
    EXPECT_NE(text.find("<POS>-12.500000,3.250000,0.125000</POS>"), std::string::npos);

    af::ReadValues values;
    std::list<AnimationPoint> read;
    EXPECT_TRUE(af::Parse(text, values, read));
    // '<' and '>' in a value would cut the rest of the file.
    EXPECT_EQ(values.title, "Über (den) Dächern, 2");
    EXPECT_EQ(values.playMode, 5);
    EXPECT_EQ(values.speed, 37);
    EXPECT_EQ(values.windowWidth, 640);
    EXPECT_EQ(values.windowHeight, 480);
    ASSERT_EQ(read.size(), points.size());
    EXPECT_EQ(read.front().name, "a");
    EXPECT_EQ(read.back().name, "(c, d)");
    for (auto it = read.begin(); const AnimationPoint& point : points) {
        EXPECT_EQ(it->position, point.position);
        EXPECT_EQ(it->size, point.size);
        ++it;
    }
}

TEST(AnimationFile, PassesOverUnknownTagsAndBadNumbers) {
    af::ReadValues values;
    std::list<AnimationPoint> read;
    EXPECT_TRUE(
        af::Parse("<EXTRA>x</EXTRA><ANIMSPEED>fast</ANIMSPEED>"
                  "<ANIMWINDOWWIDTH>99999999999999</ANIMWINDOWWIDTH><POINTDATA>"
                  "<POINT><NOTE>n</NOTE><POS>1.5;2</POS><SIZE>7</SIZE></POINT>"
                  "<POINT><POS>nan,inf,2</POS><SIZE>x,3</SIZE></POINT></POINTDATA>",
                  values, read));
    EXPECT_FALSE(values.title);
    EXPECT_EQ(values.speed, 0);
    EXPECT_EQ(values.windowWidth, 2147483647);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read.front().position, Vector3(1.5f, 0, 0));
    EXPECT_EQ(read.front().size, Vector2<int>(7, 0));
    EXPECT_EQ(read.back().position, Vector3(0, 0, 2));
    EXPECT_EQ(read.back().size, Vector2<int>(0, 0));

    // Too long even for 64 bits: still held at int's end.
    af::ReadValues huge;
    af::Parse("<ANIMSPEED>99999999999999999999</ANIMSPEED>", huge, read);
    EXPECT_EQ(huge.speed, 2147483647);
}

TEST(AnimationFile, TextsCutAnywhereAreReportedDamaged) {
    af::Settings settings;
    const std::string full =
        af::Write(settings, {{"one", {1, 2, 3}, {4, 5}}, {"two", {6, 7, 8}, {9, 10}}});
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        af::ReadValues values;
        std::list<AnimationPoint> read;
        EXPECT_FALSE(af::Parse(std::string_view(full).substr(0, cut), values, read)) << cut;
    }
}

TEST(AnimationFile, SavesHiddenAndAnewAndLoadsBack) {
    testing_support::TempDir dir;
    const std::string path = dir.Path("photo.vte");
    EXPECT_TRUE(af::Save(path, kTour));
    EXPECT_TRUE(platform::IsHidden(path));
    // Each save writes a new file in place of the old one and leaves nothing else behind.
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    EXPECT_TRUE(af::Save(path, "<ANIMMODE>1</ANIMMODE>"));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    std::string text;
    EXPECT_EQ(af::Load(path, text), af::LoadResult::Ok);
    EXPECT_EQ(text, "<ANIMMODE>1</ANIMMODE>");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // The longest name the file system allows still saves.
    EXPECT_TRUE(af::Save(dir.Path(std::string(251, 'a') + ".vte"), kTour));
    EXPECT_FALSE(af::Save(dir.Path("missing/photo.vte"), kTour));
    EXPECT_EQ(af::Load(dir.Path("none.vte"), text), af::LoadResult::Missing);
    // A pipe in the animation file's place would wait for a writer for ever.
    ASSERT_EQ(::mkfifo(dir.Path("pipe.vte").c_str(), 0600), 0);
    EXPECT_EQ(af::Load(dir.Path("pipe.vte"), text), af::LoadResult::Missing);
    EXPECT_EQ(af::Load(dir.Write("big.vte", std::string(af::kMaxFileSize + 1, '<')), text),
              af::LoadResult::TooLarge);
}

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

// An initialised animation over the data folder of the source tree, and a folder of
// pictures.
class AnimationTest : public ::testing::Test {
protected:
    AnimationTest() {
        SetDataFolder(VANTELO_SOURCE_DATA_FOLDER);
        pictures = env.root().Path("pictures") + "/";
        animation.Initialize(nullptr);
    }
    ~AnimationTest() override { SetDataFolder(""); }

    std::string Picture(const std::string& name, const std::string& bytes = "picture") {
        return env.root().Write("pictures/" + name, bytes);
    }

    gallery_testing::GalleryEnvironment env;
    testing_support::ScriptedPrompts prompts;
    std::string pictures;
    Animation animation{env.properties()};
};

TEST_F(AnimationTest, SpeedModeAndPoints) {
    for (const auto& [speed, text] : {std::pair{150, "50"}, {-2147483647 - 1, "2147483848"}}) {
        animation.SetSpeed(speed);
        EXPECT_EQ(animation.GetExtraVariable("animspeed", ""), text);
    }
    animation.SetPlayMode(5);
    EXPECT_EQ(animation.GetExtraVariable("animmode", " x"), "5");

    EXPECT_EQ(animation.InsertPoint(-1, {"x", {}, {320, 200}}), nullptr);  // no picture yet
    ASSERT_TRUE(animation.Open(Picture("photo.jpg")));
    ASSERT_NE(animation.InsertPoint(-1, {"b", {1, 1, 1}, {320, 200}}), nullptr);
    ASSERT_NE(animation.InsertPoint(0, {"a", {0, 0, 1}, {320, 200}}), nullptr);
    AnimationPoint* c = animation.InsertPoint(2, {"c", {NAN, INFINITY, 2}, {320, 200}});
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->position, Vector3(0, 0, 2));
    EXPECT_EQ(animation.InsertPoint(4, {"far", {}, {320, 200}}), nullptr);
    EXPECT_EQ(animation.GetPoint(3), nullptr);

    Rows rows;
    rows.selected = 2;
    animation.FillPointList(rows);
    EXPECT_EQ(rows.names, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(rows.selected, 2);
    EXPECT_TRUE(animation.RemovePoint(c));
    EXPECT_FALSE(animation.RemovePoint(c));
}

TEST_F(AnimationTest, SavesBesideThePictureAndOpensItAgain) {
    const std::string picture = Picture("photo.jpg");
    Picture("photo.txt", "not a picture");
    EXPECT_FALSE(animation.SaveAnimationFile());  // no picture
    ASSERT_TRUE(animation.Open(picture));
    animation.SetTitle("Tour<1>");
    animation.SetPlayMode(4);
    animation.SetSpeed(150);
    animation.SetWindowWidth(640);
    animation.InsertPoint(-1, {"start", {10.5f, -3.25f, 1}, {320, 200}});
    animation.InsertPoint(-1, {"end", {100, 200, 4}, {320, 200}});
    EXPECT_TRUE(animation.SaveAnimationFile());
    EXPECT_FALSE(animation.IsModified());
    EXPECT_TRUE(ReadFile(pictures + "photo.vte").starts_with("<ANIMTITLE>Tour(1)</ANIMTITLE>"));

    // Opening the animation file finds the picture beside it and passes over the text file.
    Animation again(env.properties());
    again.Initialize(nullptr);
    ASSERT_TRUE(again.Open(pictures + "photo.vte"));
    EXPECT_EQ(again.GetImagePath(), picture);
    EXPECT_EQ(again.GetTitle(), "Tour(1)");
    EXPECT_EQ(again.GetSpeed(), 150);
    ASSERT_EQ(again.GetPointCount(), 2);
    EXPECT_EQ(again.GetPoint(0)->position, Vector3(10.5f, -3.25f, 1));
    EXPECT_EQ(again.GetPoint(1)->size, Vector2<int>(320, 200));  // as saved
    EXPECT_FALSE(again.IsModified());
    EXPECT_EQ(again.NextPointName(), "Unnamed 3");  // every point read counts
    EXPECT_TRUE(prompts.calls().empty());

    // A save that cannot write the file keeps the changes.
    fs::remove(pictures + "photo.vte");
    fs::create_directory(pictures + "photo.vte");
    again.InsertPoint(-1, {"p", {}, {320, 200}});
    EXPECT_FALSE(again.SaveAnimationFile());
    EXPECT_TRUE(again.IsModified());
}

TEST_F(AnimationTest, DamagedOrOrphanedAnimationFiles) {
    const std::string picture = Picture("photo.jpg");
    std::list<AnimationPoint> points;
    EXPECT_FALSE(animation.LoadAnimationFile(picture, points));  // none there
    env.root().Write("pictures/photo.vte",
                     "<ANIMTITLE>Cut</ANIMTITLE><POINTDATA><POINT><NAME>half");
    EXPECT_TRUE(animation.LoadAnimationFile(picture, points));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "The animation file seems to be corrupt");
    EXPECT_EQ(prompts.calls()[0].caption, "Serious error");
    EXPECT_EQ(animation.GetTitle(), "Cut");  // what was read stays
    EXPECT_EQ(points.size(), 1u);

    // An animation file whose picture is gone still gives its points.
    env.root().Write("pictures/lost.vte",
                     "<POINTDATA><POINT><NAME>kept</NAME></POINT></POINTDATA>");
    ASSERT_TRUE(animation.Open(pictures + "lost.vte"));
    EXPECT_EQ(prompts.calls().back().text, "Can not find the image file");
    EXPECT_EQ(prompts.calls().back().caption, "Opening '.vte' file");
    EXPECT_EQ(animation.GetPointCount(), 1);
    EXPECT_FALSE(animation.SaveAnimationFile());
}

TEST_F(AnimationTest, LoadingAnotherPictureKeepsThePoints) {
    ASSERT_TRUE(animation.LoadImage(Picture("first.jpg")));
    EXPECT_EQ(animation.GetTitle(), "first");
    animation.InsertPoint(-1, {"one", {1, 2, 3}, {320, 200}});
    const std::string second = env.root().Write("other/second.png", "png");
    ASSERT_TRUE(animation.LoadImage(second));
    EXPECT_EQ(animation.GetPointCount(), 1);
    EXPECT_EQ(FilesIn(animation.GetWorkingFolder()).count("first.jpg"), 0u);

    // A picture that cannot be copied changes nothing.
    EXPECT_FALSE(animation.LoadImage(env.root().Path("other/missing.jpg")));
    EXPECT_EQ(prompts.calls().back().text, "Failed to copy image to temporary");
    EXPECT_EQ(animation.GetImagePath(), second);
    EXPECT_EQ(animation.GetPointCount(), 1);
    EXPECT_EQ(FilesIn(animation.GetWorkingFolder()).count("second.png"), 1u);
}

TEST_F(AnimationTest, SavingIntoAFolderMakesAFreshFolderInsideIt) {
    ASSERT_TRUE(animation.Open(Picture("photo.jpg")));
    ASSERT_TRUE(animation.SaveAnimationFile());
    // The working folder holds the animation file once the picture is opened through it.
    ASSERT_TRUE(animation.Open(pictures + "photo.vte"));
    const std::string out = env.root().Path("out");
    fs::create_directories(out);
    EXPECT_TRUE(animation.SaveToFolder(out));
    EXPECT_TRUE(animation.SaveToFolder(out + "/"));
    ASSERT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(prompts.calls()[0].text,
              "The Animation has been successfully saved!\n\nThe files are located in:\n" + out +
                  "/Animation/");
    EXPECT_EQ(prompts.calls()[1].caption, "Animation save");
    EXPECT_TRUE(prompts.calls()[1].text.ends_with(out + "/Animation1/"));
    EXPECT_EQ(FilesIn(out + "/Animation/"), (FileSet{"index.htm", "photo.jpg"}));
    EXPECT_EQ(FilesIn(out + "/Animation/data"),
              (FileSet{"animation.css", "animation.js", "vantelo.js"}));

    // A title that names no plain folder still stays inside the chosen one.
    for (const auto& [title, folder] : {std::pair{"../up/..", ".._up_.."}, {"..", "Vantelo"}}) {
        animation.SetTitle(title);
        EXPECT_TRUE(animation.SaveToFolder(out));
        EXPECT_TRUE(fs::is_directory(out + "/" + folder)) << title;
    }
    EXPECT_FALSE(animation.SaveToFolder(env.root().Path("nowhere")));
    EXPECT_EQ(prompts.calls().back().text, "Failed to save animation successfully");
}

TEST_F(AnimationTest, ExportingWritesThePageAndLeavesTheUsersFilesAlone) {
    CommaLocale locale;
    ASSERT_TRUE(animation.Open(Picture("photo.jpg")));
    animation.SetSpeed(150);
    animation.SetPlayMode(3);
    animation.InsertPoint(-1, {"a", {1, 2, 3}, {320, 200}});
    animation.InsertPoint(-1, {"b", {-4, 5.5f, 0.25f}, {320, 200}});
    ASSERT_TRUE(animation.SaveAnimationFile());
    ASSERT_TRUE(animation.Open(pictures + "photo.vte"));

    const std::string site = env.root().Path("site") + "/";
    env.root().Write("site/photo.vte", "the user's own");
    env.root().Write("site/index.htm", "the user's index");
    env.root().Write("site/tour.htm", "an older export");
    EXPECT_TRUE(animation.ExportTo(site + "tour.htm"));
    EXPECT_EQ(FilesIn(site), (FileSet{"index.htm", "photo.jpg", "photo.vte", "tour.htm"}));
    EXPECT_EQ(ReadFile(site + "photo.vte"), "the user's own");
    EXPECT_EQ(ReadFile(site + "index.htm"), "the user's index");
    const std::string html = ReadFile(site + "tour.htm");
    EXPECT_NE(html.find("VanteloAnimation.setup(\"VT0\", [[1.000000,2.000000,3.000000],"
                        "[-4.000000,5.500000,0.250000]], 50, 3);"),
              std::string::npos);
    EXPECT_NE(html.find("<param name=\"param_filename\" value=\"photo.jpg\">"), std::string::npos);
    EXPECT_EQ(html.find("{{"), std::string::npos);
    // Exporting again finds its own picture there.
    EXPECT_TRUE(animation.ExportTo(site + "tour.htm"));

    // A different picture of the same name is never replaced: the export fails instead.
    env.root().Write("other/photo.jpg", "another picture");
    EXPECT_FALSE(animation.ExportTo(env.root().Path("other/page.htm")));
    EXPECT_EQ(ReadFile(env.root().Path("other/photo.jpg")), "another picture");
    // A page named like a file the export writes beside it would take that file's place:
    // exported into the picture's own folder, the user's picture itself.
    for (const char* name : {"photo.jpg", "data"}) {
        EXPECT_FALSE(animation.ExportTo(pictures + name)) << name;
        EXPECT_EQ(ReadFile(pictures + "photo.jpg"), "picture") << name;
    }
    EXPECT_EQ(prompts.calls().size(), 0u);
}

}  // namespace
