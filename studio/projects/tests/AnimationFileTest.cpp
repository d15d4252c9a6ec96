#include "studio/projects/AnimationFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>

#include "platform/files/Hidden.h"
#include "testing/CommaLocale.h"
#include "testing/Damage.h"
#include "testing/TempDir.h"

namespace {

namespace af = animation_file;

const char kTour[] =
    "<ANIMTITLE>Tour</ANIMTITLE><ANIMMODE>2</ANIMMODE><ANIMSPEED>100</ANIMSPEED>"
    "<ANIMWINDOWWIDTH>320</ANIMWINDOWWIDTH><ANIMWINDOWHEIGHT>200</ANIMWINDOWHEIGHT>"
    "<POINTDATA><POINT><NAME>Unnamed 1</NAME><POS>0.000000,0.000000,1.000000</POS>"
    "<SIZE>320,200</SIZE></POINT></POINTDATA>";

AnimationPoint Point(const std::string& name, Vector3 position, Vector2<int> size) {
    AnimationPoint point;
    point.name = name;
    point.position = position;
    point.size = size;
    return point;
}

af::Settings Tour() {
    af::Settings settings;
    settings.title = "Tour";
    return settings;
}

// Parses in a thread of its own, so that a reader that hangs fails the test instead of
// stopping the run.
bool ParseWithin(std::string_view text, af::ReadValues& values, std::list<AnimationPoint>& points) {
    std::packaged_task<bool()> task([&] { return af::Parse(text, values, points); });
    std::future<bool> result = task.get_future();
    std::thread(std::move(task)).detach();
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fprintf(stderr, "the reader hangs on: %.*s\n", static_cast<int>(text.size()),
                     text.data());
        std::abort();
    }
    return result.get();
}

TEST(AnimationFile, WritesTheExactTextAndReadsItBack) {
    const std::list<AnimationPoint> points{Point("Unnamed 1", {0, 0, 1}, {320, 200})};
    EXPECT_EQ(af::Write(Tour(), points), kTour);

    af::ReadValues values;
    std::list<AnimationPoint> read;
    EXPECT_TRUE(af::Parse(kTour, values, read));
    EXPECT_EQ(values.title, "Tour");
    EXPECT_EQ(values.playMode, 2);
    EXPECT_EQ(values.speed, 100);
    EXPECT_EQ(values.windowWidth, 320);
    EXPECT_EQ(values.windowHeight, 200);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read.front().name, "Unnamed 1");
    EXPECT_EQ(read.front().position, Vector3(0, 0, 1));
    EXPECT_EQ(read.front().size, Vector2<int>(320, 200));
}

TEST(AnimationFile, RoundTripKeepsEveryValueUnderACommaLocale) {
    CommaLocale locale;
    ASSERT_TRUE(CommaLocale::HasComma()) << "no locale with a decimal comma could be made";
    af::Settings settings;
    settings.title = "Über den Dächern, 2";
    settings.playMode = 5;
    settings.speed = 37;
    settings.windowWidth = 640;
    settings.windowHeight = 480;
    const std::list<AnimationPoint> points{Point("a", {-12.5f, 3.25f, 0.125f}, {640, 480}),
                                           Point("", {1000.75f, -0.5f, 8}, {1, 2}),
                                           Point("c, d", {0, 0, 1}, {-3, 0})};
    const std::string text = af::Write(settings, points);
    EXPECT_NE(text.find("<POS>-12.500000,3.250000,0.125000</POS>"), std::string::npos);

    af::ReadValues values;
    std::list<AnimationPoint> read;
    EXPECT_TRUE(af::Parse(text, values, read));
    EXPECT_EQ(values.title, settings.title);
    EXPECT_EQ(values.playMode, 5);
    EXPECT_EQ(values.speed, 37);
    EXPECT_EQ(values.windowWidth, 640);
    EXPECT_EQ(values.windowHeight, 480);
    ASSERT_EQ(read.size(), points.size());
    auto it = read.begin();
    for (const AnimationPoint& point : points) {
        EXPECT_EQ(it->name, point.name);
        EXPECT_EQ(it->position, point.position);
        EXPECT_EQ(it->size, point.size);
        ++it;
    }
}

TEST(AnimationFile, NoPointsAndAngleBracketsInValues) {
    af::Settings settings = Tour();
    settings.title = "a<b>c";
    const std::string text = af::Write(settings, {Point("<x>", {0, 0, 1}, {1, 1})});
    EXPECT_NE(text.find("<ANIMTITLE>a(b)c</ANIMTITLE>"), std::string::npos);
    EXPECT_NE(text.find("<NAME>(x)</NAME>"), std::string::npos);
    EXPECT_TRUE(af::Write(Tour(), {}).ends_with("<POINTDATA></POINTDATA>"));

    // Every value after the title still reads back.
    af::ReadValues values;
    std::list<AnimationPoint> read;
    EXPECT_TRUE(af::Parse(text, values, read));
    EXPECT_EQ(values.title, "a(b)c");
    EXPECT_EQ(values.windowHeight, 200);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read.front().name, "(x)");

    // A file written elsewhere with a '<' in its title: each piece before a tag replaces
    // the title read so far, and the rest of the file is still read.
    values = {};
    read.clear();
    EXPECT_TRUE(
        af::Parse("<ANIMTITLE>a<b>c</ANIMTITLE><ANIMMODE>4</ANIMMODE><POINTDATA>"
                  "</POINTDATA>",
                  values, read));
    EXPECT_EQ(values.title, "c");
    EXPECT_EQ(values.playMode, 4);
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

TEST(AnimationFile, DamagedTextsAreReportedAndNeverHang) {
    const std::string full =
        af::Write(Tour(), {Point("one", {1, 2, 3}, {4, 5}), Point("two", {6, 7, 8}, {9, 10})});
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        af::ReadValues values;
        std::list<AnimationPoint> read;
        EXPECT_FALSE(ParseWithin(std::string_view(full).substr(0, cut), values, read)) << cut;
        EXPECT_LE(read.size(), 2u);
    }
    // A '<' without its '>' keeps what came before it.
    af::ReadValues values;
    std::list<AnimationPoint> read;
    EXPECT_FALSE(ParseWithin("<ANIMMODE>3</ANIMMODE><ANIMTITLE>x<y", values, read));
    EXPECT_EQ(values.playMode, 3);
    EXPECT_EQ(values.title, "x");
    EXPECT_FALSE(ParseWithin("<POINT><NAME>p<", values, read));
    EXPECT_EQ(read.size(), 1u);

    for (const char* garbage : {"", "plain text", ">>>", "<", "<<<<", "<>", "<a><b></c>"}) {
        EXPECT_FALSE(ParseWithin(garbage, values, read)) << garbage;
    }
    const std::vector<std::uint8_t> bytes(full.begin(), full.end());
    testing_support::ForEachDamagedCopy(bytes, bytes.size(), [&](const auto& copy) {
        af::ReadValues v;
        std::list<AnimationPoint> p;
        ParseWithin(std::string_view(reinterpret_cast<const char*>(copy.data()), copy.size()), v,
                    p);
    });
}

TEST(AnimationFile, PathBesideThePicture) {
    EXPECT_EQ(af::PathFor("/pics/photo.jpg"), "/pics/photo.vte");
    EXPECT_EQ(af::PathFor("/pics/photo.tar.png"), "/pics/photo.tar.vte");
    EXPECT_EQ(af::PathFor("/a/v1.2/README"), "/a/v1.2/README.vte");
    EXPECT_EQ(af::PathFor("/pics/photo.VTE"), "/pics/photo.VTE");
    EXPECT_EQ(af::PathFor("photo"), "photo.vte");
}

TEST(AnimationFile, SavesHiddenAndAnewAndLoadsBack) {
    testing_support::TempDir dir;
    const std::string path = dir.Path("photo.vte");
    EXPECT_TRUE(af::Save(path, kTour));
    EXPECT_EQ(testing_support::ReadFile(path), kTour);
    EXPECT_TRUE(platform::IsHidden(path));
    if (platform::TakesUserAttributes(path)) {
        // The mark itself, not only the name: it stays under another name.
        const std::string renamed = dir.Path("renamed.txt");
        ASSERT_EQ(std::rename(path.c_str(), renamed.c_str()), 0);
        EXPECT_TRUE(platform::IsHidden(renamed));
        ASSERT_EQ(std::rename(renamed.c_str(), path.c_str()), 0);
    }

    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    EXPECT_TRUE(af::Save(path, "<ANIMMODE>1</ANIMMODE>"));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    std::string text;
    EXPECT_EQ(af::Load(path, text), af::LoadResult::Ok);
    EXPECT_EQ(text, "<ANIMMODE>1</ANIMMODE>");
    // Nothing but the file is left in the folder.
    dir.Write("other.txt", "x");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2);

    // A place that cannot take the file leaves what was there.
    EXPECT_FALSE(af::Save(dir.Path("missing/photo.vte"), kTour));
    std::filesystem::create_directory(dir.Path("folder.vte"));
    EXPECT_FALSE(af::Save(dir.Path("folder.vte"), kTour));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("folder.vte")));

    EXPECT_EQ(af::Load(dir.Path("none.vte"), text), af::LoadResult::Missing);
    EXPECT_EQ(af::Load(dir.Write("empty.vte", ""), text), af::LoadResult::Missing);
    EXPECT_EQ(af::Load(dir.Path("folder.vte"), text), af::LoadResult::Missing);
    EXPECT_EQ(af::Load(dir.Write("big.vte", std::string(af::kMaxFileSize + 1, '<')), text),
              af::LoadResult::TooLarge);
}

}  // namespace
