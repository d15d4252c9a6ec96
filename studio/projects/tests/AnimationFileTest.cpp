#include "studio/projects/AnimationFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/files/Hidden.h"
#include "testing/CommaLocale.h"
#include "testing/TempDir.h"

namespace {

namespace af = animation_file;

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
}

TEST(AnimationFile, DamagedTextsAreReportedAndKeepWhatCameBefore) {
    af::Settings settings;
    const std::string full =
        af::Write(settings, {{"one", {1, 2, 3}, {4, 5}}, {"two", {6, 7, 8}, {9, 10}}});
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        af::ReadValues values;
        std::list<AnimationPoint> read;
        EXPECT_FALSE(af::Parse(std::string_view(full).substr(0, cut), values, read)) << cut;
    }
    af::ReadValues values;
    std::list<AnimationPoint> read;
    EXPECT_FALSE(af::Parse("<ANIMMODE>3</ANIMMODE><ANIMTITLE>x<y", values, read));
    EXPECT_EQ(values.playMode, 3);
    EXPECT_EQ(values.title, "x");
    EXPECT_FALSE(af::Parse("<POINT><NAME>p<", values, read));
    EXPECT_EQ(read.size(), 1u);
}

TEST(AnimationFile, SavesHiddenAndAnewAndLoadsBack) {
    testing_support::TempDir dir;
    EXPECT_EQ(af::PathFor("/pics/photo.tar.png"), "/pics/photo.tar.vte");
    EXPECT_EQ(af::PathFor("/a/v1.2/README"), "/a/v1.2/README.vte");
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

    // A place that cannot take the file leaves what was there.
    EXPECT_FALSE(af::Save(dir.Path("missing/photo.vte"), kTour));
    std::filesystem::create_directory(dir.Path("folder.vte"));
    EXPECT_FALSE(af::Save(dir.Path("folder.vte"), kTour));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("folder.vte")));

    EXPECT_EQ(af::Load(dir.Path("none.vte"), text), af::LoadResult::Missing);
    EXPECT_EQ(af::Load(dir.Path("folder.vte"), text), af::LoadResult::Missing);
    EXPECT_EQ(af::Load(dir.Write("big.vte", std::string(af::kMaxFileSize + 1, '<')), text),
              af::LoadResult::TooLarge);
}

}  // namespace
