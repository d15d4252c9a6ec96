#include "imaging/IPTCData.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/JpegDecoder.h"
#include "imaging/PictureLoader.h"
#include "imaging/tests/JpegFixtures.h"
#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using jpeg_fixtures::AsBytes;
using jpeg_fixtures::AsString;
using jpeg_fixtures::Bytes;
using jpeg_fixtures::DataSet;
using jpeg_fixtures::Photoshop;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Be16(std::size_t v) {
    return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

Bytes Segment(std::uint8_t marker, const Bytes& data) {
    return Cat({{0xFF, marker}, Be16(data.size() + 2), data});
}

const Bytes kSoi{0xFF, 0xD8};
const Bytes kApp0 = Segment(0xE0, AsBytes(std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14)));
const Bytes kScan = Cat({Segment(0xDA, {1, 2, 3}), {0x11, 0x22, 0xFF, 0xD9}});

IPTCData Read(const Bytes& app13) {
    IPTCData record;
    record.ReadFromApp13(app13.data(), app13.size());
    return record;
}

// Reads the record of a real picture through the decoder.
IPTCData ReadFile(const std::string& path) {
    IPTCData record;
    const Bytes bytes = AsBytes(testing_support::ReadFile(path));
    JpegDecoder decoder;
    decoder.SetIPTCTarget(&record);
    decoder.SetSource(bytes.data(), bytes.size());
    decoder.ReadHead();
    return record;
}

// Reads the record of the first APP13 segment of a file made of segments only.
IPTCData ReadSegments(const std::string& path) {
    const Bytes bytes = AsBytes(testing_support::ReadFile(path));
    for (std::size_t p = 2; p + 4 <= bytes.size();) {
        const std::size_t length = static_cast<std::size_t>(bytes[p + 2] << 8 | bytes[p + 3]);
        if (bytes[p + 1] == 0xED)
            return Read(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(p + 4),
                              bytes.begin() + static_cast<std::ptrdiff_t>(p + 2 + length)));
        p += 2 + length;
    }
    return {};
}

IPTCData FullRecord() {
    IPTCData r;
    r.valid = true;
    r.byline = "By";
    r.urgency = "5";
    r.bylineTitle = "Title";
    r.credits = "Credit";
    r.source = "Source";
    r.objectName = "Object";
    r.dateCreated = "20240412";
    r.timeCreated = "101500+0000";
    r.originProgram = "Program";
    r.originProgramVersion = "2.0";
    r.city = "City";
    r.state = "State";
    r.country = "Country";
    r.originalTransmissionReference = "Ref";
    r.copyrightNotice = "(c) someone";
    r.caption = "A longer caption, with punctuation.";
    r.captionWriter = "Writer";
    r.headline = "Headline";
    r.specialInstructions = "None";
    r.category = "CAT";
    r.supplementalCategories = {"one", "two"};
    r.keywords = {"sea", "sky", "sand"};
    return r;
}

void ExpectSameRecord(const IPTCData& a, const IPTCData& b) {
    EXPECT_EQ(a.valid, b.valid);
    using D = IPTCData;
    // clang-format off
    for (auto text : {&D::byline, &D::urgency, &D::bylineTitle, &D::credits, &D::source,
                      &D::objectName, &D::dateCreated, &D::timeCreated, &D::originProgram,
                      &D::originProgramVersion, &D::city, &D::state, &D::country,
                      &D::originalTransmissionReference, &D::copyrightNotice, &D::caption,
                      &D::captionWriter, &D::headline, &D::specialInstructions, &D::category})
        EXPECT_EQ(a.*text, b.*text);
    // clang-format on
    EXPECT_EQ(a.supplementalCategories, b.supplementalCategories);
    EXPECT_EQ(a.keywords, b.keywords);
}

TEST(IPTCData, BuildsTheBlockByteForByte) {
    IPTCData r;
    r.headline = "abc";
    EXPECT_EQ(r.BuildDataSets(), (Bytes{0x00, 0x10, 0x1C, 0x02, 0x69, 0x00, 0x03, 'a', 'b', 'c',
                                        0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00}));

    // Lists keep their order in the file, ahead of the Category.
    IPTCData lists;
    lists.keywords = {"a", "b"};
    lists.category = "c";
    EXPECT_EQ(lists.BuildDataSets(), Cat({Be16(26),
                                          DataSet(25, "a"),
                                          DataSet(25, "b"),
                                          DataSet(15, "c"),
                                          {0x1C, 2, 0, 0, 2, 0, 2, 0}}));

    // The three texts only read before are written back after Date Created.
    IPTCData times;
    times.dateCreated = "20240101";
    times.timeCreated = "T";
    times.originProgram = "P";
    times.originProgramVersion = "V";
    EXPECT_EQ(times.BuildDataSets(), Cat({Be16(38),
                                          DataSet(70, "V"),
                                          DataSet(65, "P"),
                                          DataSet(60, "T"),
                                          DataSet(55, "20240101"),
                                          {0x1C, 2, 0, 0, 2, 0, 2}}));

    // Nothing that cannot be told in 16-bit lengths.
    IPTCData huge;
    huge.caption.assign(0x8000, 'x');
    EXPECT_TRUE(huge.BuildDataSets().empty());
}

TEST(IPTCData, ReadsDataSetsFromTheIptcResourceWhereverItIs) {
    testing_support::DebugCapture capture;
    const Bytes sets = Cat({DataSet(90, "town", 1), DataSet(10, "\x03"), DataSet(101, "Land"),
                            DataSet(102, "Other land"), DataSet(7, "ignored"), DataSet(200, "odd"),
                            DataSet(25, "k1"), DataSet(25, std::string("k2\0tail", 7)),
                            DataSet(120, std::string(2000, 'c')), DataSet(60, "101500")});
    const IPTCData r = Read(Photoshop({{0x03ED, {1, 2, 3}}, {0x0404, sets}}));
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.urgency, "3");
    EXPECT_EQ(r.country, "Other land");
    EXPECT_EQ(r.keywords, (std::vector<std::string>{"k1", "k2"}));
    EXPECT_EQ(r.caption, std::string(1023, 'c'));
    EXPECT_EQ(r.timeCreated, "101500");
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Unhandled IPTC data\n"});
    EXPECT_EQ(IPTCData(r).timeCreated, "101500");

    EXPECT_EQ(Read(Photoshop({{0x0404, DataSet(10, "7")}})).urgency, "7");
    Bytes lower = Photoshop({{0x0404, DataSet(105, "h")}});
    lower[0] = 'p';
    EXPECT_EQ(Read(lower).headline, "h");

    // A dataset longer than what is left ends the reading; an empty one is not data.
    Bytes cut = Photoshop({{0x0404, Cat({DataSet(105, "kept"), DataSet(120, "lost")})}});
    cut.resize(cut.size() - 2);
    const IPTCData partial = Read(cut);
    EXPECT_EQ(partial.headline, "kept");
    EXPECT_EQ(partial.caption, "");
    EXPECT_FALSE(Read(Photoshop({{0x0404, DataSet(105, "")}})).valid);
    EXPECT_FALSE(Read(Photoshop({{0x0409, DataSet(105, "x")}})).valid);
    EXPECT_FALSE(Read(AsBytes("Photoshop 2.5")).valid);
}

class IPTCFile : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes) { return dir_.Write("p.jpg", AsString(bytes)); }
    Bytes Contents() const { return AsBytes(testing_support::ReadFile(dir_.Path("p.jpg"))); }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(dir_.path()),
                          std::filesystem::directory_iterator()));
    }

    testing_support::TempDir dir_;
};

TEST_F(IPTCFile, ReplacesTheOldBlockAndChangesOnlyTheTwoLengths) {
    IPTCData r;
    r.valid = true;
    r.headline = "abc";
    const Bytes block = r.BuildDataSets();
    // The old block is 9 bytes, odd: its pad byte goes too, and the resource after it stays.
    const Bytes old = Cat({DataSet(120, "cap"), {0x1C, 0x02, 0x00, 0x00, 0x00}});
    ASSERT_EQ(old.size(), 13u);
    const Bytes thumb{9, 9, 9, 9};
    const Bytes app13 = Photoshop({{0x0404, old}, {0x0409, thumb}});
    const std::string path = Write(Cat({kSoi, kApp0, Segment(0xED, app13), kScan}));
    ASSERT_TRUE(r.SaveToJpegFile(path));

    const std::size_t sizeAt = 14 + 4 + 2 + 2;
    const Bytes expectedApp13 = Cat({Bytes(app13.begin(), app13.begin() + sizeAt),
                                     {0, 0},
                                     block,
                                     Bytes(app13.begin() + sizeAt + 4 + 14, app13.end())});
    EXPECT_EQ(Contents(), Cat({kSoi, kApp0, Segment(0xED, expectedApp13), kScan}));
    EXPECT_EQ(ReadSegments(path).headline, "abc");
    EXPECT_EQ(ReadSegments(path).caption, "");

    // An odd block that ends the segment has no pad byte to take away.
    Bytes unpadded = Photoshop({{0x0404, old}});
    unpadded.pop_back();
    Write(Cat({kSoi, kApp0, Segment(0xED, unpadded), kScan}));
    ASSERT_TRUE(r.SaveToJpegFile(path));
    EXPECT_EQ(
        Contents(),
        Cat({kSoi, kApp0,
             Segment(0xED, Cat({Bytes(app13.begin(), app13.begin() + sizeAt), {0, 0}, block})),
             kScan}));
}

TEST_F(IPTCFile, AddsTheResourceOrTheSegmentWhenMissing) {
    IPTCData r;
    r.valid = true;
    r.caption = "new";
    const Bytes block = r.BuildDataSets();
    const Bytes resource = Cat({AsBytes("8BIM"), {4, 4, 0, 0, 0, 0}, block});

    const std::string path = Write(Cat({kSoi, kApp0, kScan}));
    ASSERT_TRUE(r.WriteJpegFile(path));
    EXPECT_EQ(
        Contents(),
        Cat({kSoi, kApp0, Segment(0xED, Cat({AsBytes(std::string("Photoshop 3.0", 14)), resource})),
             kScan}));

    const Bytes other = Photoshop({{0x03ED, {1, 2}}});
    Write(Cat({kSoi, kApp0, Segment(0xED, other), kScan}));
    ASSERT_TRUE(r.WriteJpegFile(path));
    EXPECT_EQ(Contents(),
              Cat({kSoi, kApp0,
                   Segment(0xED, Cat({Bytes(other.begin(), other.begin() + 14), resource,
                                      Bytes(other.begin() + 14, other.end())})),
                   kScan}));
    EXPECT_EQ(ReadSegments(path).caption, "new");

    // An APP13 that is the first segment is found, not duplicated.
    Write(Cat({kSoi, Segment(0xED, Photoshop({{0x0404, DataSet(120, "old")}})), kApp0, kScan}));
    ASSERT_TRUE(r.WriteJpegFile(path));
    EXPECT_EQ(
        Contents(),
        Cat({kSoi, Segment(0xED, Photoshop({{0x0404, Bytes(block.begin() + 2, block.end())}})),
             kApp0, kScan}));
}

TEST_F(IPTCFile, KeepsDataSetsTheRecordDoesNotHold) {
    const Bytes charset = DataSet(90, "\x1B%G", 1);
    const Bytes foreign = Cat({DataSet(26, "ignored"), DataSet(200, "unhandled")});
    const Bytes object = DataSet(10, "preview", 8);
    const Bytes old = Cat({charset, DataSet(0, std::string("\0\2", 2)), foreign,
                           DataSet(120, "old caption"), DataSet(60, "101500"), object});
    const std::string path =
        Write(Cat({kSoi, kApp0, Segment(0xED, Photoshop({{0x0404, old}})), kScan}));
    IPTCData r = ReadSegments(path);
    EXPECT_EQ(r.timeCreated, "101500");
    r.caption = "edited";
    ASSERT_TRUE(r.SaveToJpegFile(path));

    IPTCData expected;
    expected.caption = "edited";
    expected.timeCreated = "101500";
    const Bytes ours = expected.BuildDataSets();  // 29 bytes and a pad byte
    ASSERT_EQ(ours.size(), 2u + 30u);
    const Bytes sets =
        Cat({charset, foreign, Bytes(ours.begin() + 2, ours.end() - 1), object, {0}});
    EXPECT_EQ(Contents(), Cat({kSoi, kApp0, Segment(0xED, Photoshop({{0x0404, sets}})), kScan}));
}

TEST_F(IPTCFile, WhatIsWrittenReadsBackWhateverStandsAroundIt) {
    // A first resource of another type, a record 1 dataset whose data holds the bytes
    // 1C 02, and an extended dataset that the writer carries over.
    const Bytes sets = Cat({DataSet(90, "\x1C\x02\x78\x00\x01!", 1),
                            {0x1C, 2, 42, 0x80, 1, 1, 'x'}, DataSet(120, "old")});
    Bytes app13 = Photoshop({{0x03ED, {1, 2}}, {0x0404, sets}});
    std::copy_n("MeSa", 4, app13.begin() + 14);
    const std::string path = Write(Cat({kSoi, kApp0, Segment(0xED, app13), kScan}));
    IPTCData r = ReadSegments(path);
    EXPECT_EQ(r.caption, "old");
    r.caption = "new";
    ASSERT_TRUE(r.SaveToJpegFile(path));
    EXPECT_EQ(ReadSegments(path).caption, "new");
}

TEST_F(IPTCFile, FailuresLeaveTheFileAsItWas) {
    testing_support::DebugCapture capture;
    IPTCData invalid;
    EXPECT_FALSE(invalid.SaveToJpegFile(dir_.Path("p.jpg")));
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{"Invalid ITPC Data will not add it to file\n"});
    capture.Clear();
    IPTCData r;
    r.Clear();
    EXPECT_TRUE(r.valid);
    EXPECT_FALSE(r.SaveToJpegFile(dir_.Path("missing.jpg")));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Failed to open file for reading\n"});

    // A record too large for one segment, a file that is not a JPEG, a broken segment, an
    // APP13 of another kind.
    IPTCData large;
    large.valid = true;
    // 2047 datasets of 32 bytes: the block fits its 16-bit length, the segment does not.
    large.keywords.assign(2047, std::string(27, 'k'));
    const Bytes withApp13 =
        Cat({kSoi, kApp0, Segment(0xED, Photoshop({{0x0404, DataSet(5, "o")}})), kScan});
    std::vector<Bytes> files = {Cat({kSoi, kApp0, kScan}), withApp13, AsBytes("GIF89a not a jpeg"),
                                Cat({kSoi, {0xFF, 0xE1, 0x40, 0x00, 1, 2}}),
                                Cat({kSoi, Segment(0xED, AsBytes("Adobe_CM")), kScan})};
    for (const Bytes& bytes : files) {
        const std::string path = Write(bytes);
        EXPECT_FALSE(large.WriteJpegFile(path));
        EXPECT_EQ(Contents(), bytes);
        if (&bytes != &files[0] && &bytes != &files[1]) {
            EXPECT_FALSE(r.WriteJpegFile(path));
            EXPECT_EQ(Contents(), bytes);
        }
    }
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(IPTCFile, TheReplacementKeepsPermissionsAndLinks) {
    const std::string path = Write(Cat({kSoi, kApp0, kScan}));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const std::string link = dir_.Path("link.jpg");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    IPTCData r;
    r.valid = true;
    r.city = "Here";
    ASSERT_TRUE(r.WriteJpegFile(link));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadSegments(path).city, "Here");
    EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(IPTCFile, RoundTripsEveryFieldAndKeepsThePicture) {
    jpeg_fixtures::Options options;
    options.width = 48;
    options.height = 40;
    const std::string path = Write(jpeg_fixtures::Encode(options));
    auto before = LoadPictureAsDIB(path, nullptr, nullptr, nullptr);
    ASSERT_TRUE(before);

    const IPTCData r = FullRecord();
    ASSERT_TRUE(r.SaveToJpegFile(path));
    ExpectSameRecord(ReadFile(path), r);
    IPTCData second = r;
    second.keywords.push_back("more");
    second.caption = "Shorter";
    ASSERT_TRUE(second.SaveToJpegFile(path));
    IPTCData loaded;
    auto after = LoadPictureAsDIB(path, nullptr, nullptr, &loaded);
    ASSERT_TRUE(after);
    ExpectSameRecord(loaded, second);
    ASSERT_EQ(after->byteSize(), before->byteSize());
    EXPECT_EQ(0, std::memcmp(after->bits(), before->bits(), before->byteSize()));
}

// The command-line tool of an independent IPTC implementation, when installed.
std::string Exiv2() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string tool = folder + "/exiv2";
        if (::access(tool.c_str(), X_OK) == 0) return tool;
    }
    return {};
}

std::string RunTool(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        std::array<char, 4096> buffer{};
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            out.append(buffer.data(), n);
        ::pclose(pipe);
    }
    return out;
}

TEST_F(IPTCFile, AnotherImplementationReadsAndWritesTheSameValues) {
    const std::string tool = Exiv2();
    if (tool.empty()) GTEST_SKIP() << "exiv2 is not installed: interoperability not checked";
    const std::string path = Write(jpeg_fixtures::Encode(jpeg_fixtures::Options{}));

    RunTool(
        tool +
        " -M'set Iptc.Application2.Caption String hello world'"
        " -M'add Iptc.Application2.Keywords String k1' -M'add Iptc.Application2.Keywords String k2'"
        " -M'set Iptc.Application2.Urgency String 3' -M'set Iptc.Application2.City String Town' '" +
        path + "'");
    IPTCData theirs = ReadFile(path);
    EXPECT_EQ(theirs.caption, "hello world");
    EXPECT_EQ(theirs.keywords, (std::vector<std::string>{"k1", "k2"}));
    EXPECT_EQ(theirs.urgency, "3");
    EXPECT_EQ(theirs.city, "Town");

    const IPTCData r = FullRecord();
    ASSERT_TRUE(r.SaveToJpegFile(path));
    const std::string listing = RunTool(tool + " -PIkv '" + path + "'");
    std::multimap<std::string, std::string> values;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        const auto space = line.find(' ');
        const auto value = line.find_first_not_of(' ', space);
        values.emplace(line.substr(0, space), value == std::string::npos ? "" : line.substr(value));
    }
    auto one = [&](const char* key) {
        const auto it = values.find(std::string("Iptc.Application2.") + key);
        return it == values.end() ? std::string("<none>") : it->second;
    };
    EXPECT_EQ(one("Caption"), r.caption);
    EXPECT_EQ(one("Headline"), r.headline);
    EXPECT_EQ(one("Byline"), r.byline);
    EXPECT_EQ(one("DateCreated"), "2024-04-12");
    EXPECT_EQ(one("Urgency"), r.urgency);
    EXPECT_EQ(one("Copyright"), r.copyrightNotice);
    EXPECT_EQ(one("ProgramVersion"), r.originProgramVersion);
    std::vector<std::string> keywords;
    for (auto [it, end] = values.equal_range("Iptc.Application2.Keywords"); it != end; ++it) {
        keywords.push_back(it->second);
    }
    EXPECT_EQ(keywords, r.keywords);
}

}  // namespace
