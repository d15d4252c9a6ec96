#include "imaging/IPTCData.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/PictureLoader.h"
#include "imaging/tests/IptcFields.h"
#include "imaging/tests/JpegFixtures.h"
#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"
#include "testing/RunTool.h"
#include "testing/TempDir.h"

namespace {

using testing_support::RunTool;

using jpeg_fixtures::AsBytes;
using jpeg_fixtures::Bytes;
using jpeg_fixtures::DataSet;
using jpeg_fixtures::Photoshop;
using Lines = std::vector<std::string>;

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

// A file of segments only: start, APP0, the given segments, a scan and the end.
Bytes File(const Bytes& segments, bool app13First = false) {
    const Bytes app0 = Segment(0xE0, AsBytes(std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14)));
    const Bytes scan = Cat({Segment(0xDA, {1, 2, 3}), {0x11, 0x22, 0xFF, 0xD9}});
    return app13First ? Cat({{0xFF, 0xD8}, segments, app0, scan})
                      : Cat({{0xFF, 0xD8}, app0, segments, scan});
}

const Bytes kVersion{0x1C, 2, 0, 0, 2, 0, 2};  // the record version every block ends with

IPTCData Read(const Bytes& app13) {
    IPTCData record;
    record.ReadFromApp13(app13.data(), app13.size());
    return record;
}

using test_pictures::IptcFields;
using test_pictures::kIptcTexts;

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
    EXPECT_EQ(r.keywords, (Lines{"k1", "k2"}));
    EXPECT_EQ(r.caption, std::string(1023, 'c'));
    EXPECT_EQ(r.timeCreated, "101500");
    EXPECT_EQ(capture.lines(), Lines{"Unhandled IPTC data\n"});

    // A dataset longer than what is left ends the reading; an empty one is not data.
    Bytes cut = Photoshop({{0x0404, Cat({DataSet(105, "kept"), DataSet(120, "lost")})}});
    cut.resize(cut.size() - 2);
    const IPTCData partial = Read(cut);
    EXPECT_EQ(partial.headline, "kept");
    EXPECT_EQ(partial.caption, "");
    EXPECT_FALSE(Read(Photoshop({{0x0404, DataSet(105, "")}})).valid);
    EXPECT_FALSE(Read(Photoshop({{0x0409, DataSet(105, "x")}})).valid);
}

class IPTCFile : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes) {
        return dir_.Write("p.jpg", jpeg_fixtures::AsString(bytes));
    }
    Bytes Contents() const { return AsBytes(testing_support::ReadFile(dir_.Path("p.jpg"))); }
    long FilesInFolder() const {
        return std::distance(std::filesystem::directory_iterator(dir_.path()), {});
    }

    testing_support::TempDir dir_;
};

TEST_F(IPTCFile, WritesTheBlockIntoWhateverTheFileHoldsAndChangesNothingElse) {
    IPTCData r;
    r.valid = true;
    r.keywords = {"a", "b"};
    r.category = "c";
    r.dateCreated = "20240101";
    r.timeCreated = "T";
    r.originProgram = "P";
    r.originProgramVersion = "V";
    // Lists in their own order, ahead of the Category; the three texts only read before are
    // written back after Date Created.
    const Bytes sets = Cat({DataSet(25, "a"), DataSet(25, "b"), DataSet(15, "c"), DataSet(70, "V"),
                            DataSet(65, "P"), DataSet(60, "T"), DataSet(55, "20240101"), kVersion});
    ASSERT_EQ(r.BuildDataSets(), Cat({Be16(56), sets}));  // even: no pad byte
    const Bytes ours = Photoshop({{0x0404, sets}});
    const Bytes other = Photoshop({{0x03ED, {1, 2}}});
    const Bytes otherResource(other.begin() + 14, other.end());
    // An odd old block: its pad byte goes with it unless it ends the segment.
    const Bytes odd = Cat({DataSet(120, "cap"), {0x1C, 0x02, 0x00, 0x00, 0x00}});
    const Bytes thumb = {9, 9, 9, 9};
    Bytes oddAtEnd = Photoshop({{0x0404, odd}});
    oddAtEnd.pop_back();
    // Datasets the record does not hold keep their order: record 1, the rest of record 2,
    // the record's own, later records.
    const Bytes charset = DataSet(90, "\x1B%G", 1);
    const Bytes foreign = Cat({DataSet(26, "ignored"), DataSet(200, "unhandled")});
    const Bytes object = DataSet(10, "preview", 8);
    const Bytes oldVersion = DataSet(0, std::string("\0\2", 2));
    // Behind a resource of another type than 8BIM: a record 1 dataset whose data looks
    // like a caption dataset, and an extended dataset.
    const Bytes tricky = Cat(
        {DataSet(90, std::string("\x1C\x02\x78\x00\x01!", 6), 1), {0x1C, 2, 42, 0x80, 1, 1, 'x'}});
    Bytes mesaBefore = Photoshop({{0x03ED, {1, 2}}, {0x0404, Cat({tricky, DataSet(120, "old")})}});
    Bytes mesaAfter = Photoshop({{0x03ED, {1, 2}}, {0x0404, Cat({tricky, sets})}});
    std::copy_n("MeSa", 4, mesaBefore.begin() + 14);
    std::copy_n("MeSa", 4, mesaAfter.begin() + 14);
    const std::pair<Bytes, Bytes> cases[] = {
        {File({}), File(Segment(0xED, ours))},
        {File(Segment(0xED, other)), File(Segment(0xED, Cat({ours, otherResource})))},
        {File(Segment(0xED, Photoshop({{0x0404, DataSet(120, "old")}})), true),
         File(Segment(0xED, ours), true)},
        {File(Segment(0xED, Photoshop({{0x0404, odd}, {0x0409, thumb}}))),
         File(Segment(0xED, Photoshop({{0x0404, sets}, {0x0409, thumb}})))},
        {File(Segment(0xED, oddAtEnd)), File(Segment(0xED, ours))},
        {File(Segment(0xED, Photoshop({{0x0404, Cat({charset, oldVersion, foreign,
                                                     DataSet(120, "x"), object})}}))),
         File(Segment(0xED, Photoshop({{0x0404, Cat({charset, foreign, sets, object})}})))},
        {File(Segment(0xED, mesaBefore)), File(Segment(0xED, mesaAfter))},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string path = Write(cases[i].first);
        ASSERT_TRUE(r.WriteJpegFile(path)) << i;
        EXPECT_EQ(Contents(), cases[i].second) << i;
    }
    EXPECT_EQ(IptcFields(Read(mesaAfter)), IptcFields(r));

    // The replacement keeps permissions, and writing through a link keeps the link.
    const std::string path = Write(File({}));
    const std::string link = dir_.Path("link.jpg");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(r.WriteJpegFile(link));
    EXPECT_EQ(Contents(), cases[0].second);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(FilesInFolder(), 2);
}

TEST_F(IPTCFile, FailuresLeaveTheFileAsItWas) {
    testing_support::DebugCapture capture;
    EXPECT_FALSE(IPTCData().SaveToJpegFile(Write(File({}))));
    EXPECT_EQ(capture.lines(), Lines{"Invalid ITPC Data will not add it to file\n"});
    IPTCData small;
    small.Clear();
    capture.Clear();
    EXPECT_FALSE(small.WriteJpegFile(dir_.Path("missing.jpg")));
    EXPECT_EQ(capture.lines(), Lines{"Failed to open file for reading\n"});
    // 2047 datasets of 32 bytes: the block fits its 16-bit length, the segment does not.
    IPTCData large = small;
    large.keywords.assign(2047, std::string(27, 'k'));
    IPTCData hugeText = small;
    hugeText.caption.assign(0x8000, 'x');
    Bytes oversized = Photoshop({{0x0404, DataSet(5, "o")}});
    oversized[14 + 11] += 2;  // a resource larger than its segment
    const std::string tooLarge = "IPTC data too large for the file\n";
    const std::string notJpeg = "Not a JPEG file that IPTC data can be written to\n";
    const std::tuple<const IPTCData&, Bytes, Lines> cases[] = {
        {large, File({}), {tooLarge}},
        {large, File(Segment(0xED, Photoshop({{0x0404, DataSet(5, "o")}}))), {tooLarge}},
        {hugeText, File({}), {tooLarge}},
        {small, AsBytes("GIF89a not a jpeg"), {notJpeg}},
        {small, {0xFF, 0xD8, 0xFF, 0xE1, 0x40, 0x00, 1, 2}, {notJpeg}},
        {small, File(Segment(0xED, oversized)), {notJpeg}},
        {small, File(Segment(0xED, AsBytes("Adobe_CM"))), {}},
    };
    for (const auto& [record, bytes, lines] : cases) {
        capture.Clear();
        EXPECT_FALSE(record.WriteJpegFile(Write(bytes)));
        EXPECT_EQ(Contents(), bytes);
        EXPECT_EQ(capture.lines(), lines);
    }
    EXPECT_EQ(FilesInFolder(), 1);

    // A named pipe with a picture's name is refused at once, not waited on.
    const std::string pipe = dir_.Path("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    capture.Clear();
    EXPECT_FALSE(small.WriteJpegFile(pipe));
    EXPECT_EQ(capture.lines(), Lines{"Failed to open file for reading\n"});
    // A write-protected picture stays as it was, also for root.
    const std::string locked = Write(File({}));
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    capture.Clear();
    EXPECT_FALSE(small.WriteJpegFile(locked));
    EXPECT_EQ(capture.lines(), Lines{"Failed to reopen image for writing\n"});
    EXPECT_EQ(Contents(), File({}));
}

TEST_F(IPTCFile, RoundTripsEveryFieldKeepsThePictureAndAgreesWithExiv2) {
    const std::string path = Write(jpeg_fixtures::Encode(jpeg_fixtures::Options{}));
    auto before = LoadPictureAsDIB(path, nullptr, nullptr, nullptr);
    ASSERT_TRUE(before);
    IPTCData r;
    r.valid = true;
    for (std::size_t i = 0; i < std::size(kIptcTexts); ++i)
        r.*kIptcTexts[i] = "Text, " + std::to_string(i);
    r.urgency = "5";
    r.dateCreated = "20240412";
    r.timeCreated = "101500+0000";
    r.supplementalCategories = {"one", "two"};
    r.keywords = {"sea", "sky"};
    ASSERT_TRUE(r.SaveToJpegFile(path));
    r.keywords.push_back("more");
    r.caption = "Shorter";
    ASSERT_TRUE(r.SaveToJpegFile(path));
    IPTCData loaded;
    auto after = LoadPictureAsDIB(path, nullptr, nullptr, &loaded);
    ASSERT_TRUE(after);
    EXPECT_EQ(IptcFields(loaded), IptcFields(r));
    // A record filled before holds only the file's own record afterwards.
    ASSERT_TRUE(LoadPictureAsDIB(path, nullptr, nullptr, &loaded));
    EXPECT_EQ(loaded.keywords, r.keywords);
    const std::string plain = dir_.Write(
        "plain.jpg", jpeg_fixtures::AsString(jpeg_fixtures::Encode(jpeg_fixtures::Options{})));
    ASSERT_TRUE(LoadPictureAsDIB(plain, nullptr, nullptr, &loaded));
    EXPECT_FALSE(loaded.valid);
    EXPECT_TRUE(loaded.caption.empty() && loaded.keywords.empty());
    ASSERT_EQ(after->byteSize(), before->byteSize());
    EXPECT_EQ(0, std::memcmp(after->bits(), before->bits(), before->byteSize()));

    // An independent implementation's command-line tool, when installed, agrees both ways.
    if (RunTool("command -v exiv2").empty()) GTEST_SKIP() << "exiv2 is not installed";
    EXPECT_EQ(RunTool("exiv2 -K Iptc.Application2.Keywords -Pv '" + path + "'"),
              "sea\nsky\nmore\n");
    RunTool("exiv2 -M'set Iptc.Application2.Caption String hello world' '" + path + "'");
    IPTCData theirs;
    ASSERT_TRUE(LoadPictureAsDIB(path, nullptr, nullptr, &theirs));
    EXPECT_EQ(theirs.caption, "hello world");
    EXPECT_EQ(theirs.keywords, r.keywords);
}

// The type of each IPTC resource in the file's first APP13 segment.
Lines IptcResourceTypes(const Bytes& file) {
    std::size_t p = 2;
    while (p + 4 <= file.size() && file[p + 1] != 0xED) p += 2 + (file[p + 2] << 8 | file[p + 3]);
    Lines types;
    if (p + 4 > file.size()) return types;
    const std::size_t end = p + 2 + (file[p + 2] << 8 | file[p + 3]);
    for (std::size_t r = p + 4 + 14; r + 12 <= end;) {
        const std::size_t sizeAt = r + 6 + ((file[r + 6] + 2u) & ~1u);
        const std::size_t size =
            file[sizeAt] << 24 | file[sizeAt + 1] << 16 | file[sizeAt + 2] << 8 | file[sizeAt + 3];
        if ((file[r + 4] << 8 | file[r + 5]) == 0x0404)
            types.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(r),
                               file.begin() + static_cast<std::ptrdiff_t>(r + 4));
        r = sizeAt + 4 + size + (size & 1u);
    }
    return types;
}

TEST_F(IPTCFile, ReadsAndReplacesTheRecordUnderEveryResourceType) {
    const bool haveExiv2 = !RunTool("command -v exiv2").empty();
    for (const char* type : {"PHUT", "AgHg", "DCSR", "8BIM"}) {
        SCOPED_TRACE(type);
        Bytes app13 = Photoshop({{0x03ED, {1, 2}}, {0x0404, DataSet(120, "old caption")}});
        std::copy_n(type, 4, app13.begin() + 14 + 12 + 2);  // the second resource's type
        Bytes file = jpeg_fixtures::Encode(jpeg_fixtures::Options{});
        const Bytes segment = Segment(0xED, app13);
        file.insert(file.begin() + 4 + (file[4] << 8 | file[5]), segment.begin(), segment.end());
        const std::string path = Write(file);

        IPTCData record;
        ASSERT_TRUE(LoadPictureAsDIB(path, nullptr, nullptr, &record));
        EXPECT_EQ(record.caption, "old caption");
        record.caption = "new caption";
        ASSERT_TRUE(record.SaveToJpegFile(path));
        EXPECT_EQ(IptcResourceTypes(Contents()), Lines{type});
        IPTCData again;
        ASSERT_TRUE(LoadPictureAsDIB(path, nullptr, nullptr, &again));
        EXPECT_EQ(again.caption, "new caption");
        if (haveExiv2) {
            EXPECT_EQ(RunTool("exiv2 -K Iptc.Application2.Caption -Pv '" + path + "'"),
                      "new caption\n");
        }
    }
    if (!haveExiv2) GTEST_SKIP() << "exiv2 is not installed: not checked against it";
}

TEST_F(IPTCFile, FileReaderTakesTheBlockAloneAndRefusesOneItCannotReadWhole) {
    // A CMYK picture stored as YCCK, as print work flows write them.
    jpeg_fixtures::Options ycck;
    ycck.colour = jpeg_fixtures::Colour::Ycck;
    const std::string path = Write(jpeg_fixtures::Encode(ycck));
    IPTCData record;
    EXPECT_EQ(ReadIptcFromJpegFile(path, record), IptcFileRead::NoBlock);
    EXPECT_FALSE(record.valid);
    IPTCData stored;
    stored.Clear();
    stored.caption = "proof";
    stored.byline = "B. Printer";
    stored.city = "Ghent";
    stored.keywords = {"ink", "paper"};
    ASSERT_TRUE(stored.SaveToJpegFile(path));
    ASSERT_EQ(ReadIptcFromJpegFile(path, record), IptcFileRead::Read);
    EXPECT_EQ(IptcFields(record), IptcFields(stored));

    const Bytes good = Photoshop({{0x03ED, {1, 2}}, {0x0404, DataSet(120, "caption")}});
    const Bytes sets = Cat({DataSet(120, "caption"), DataSet(25, "kw")});
    Bytes longSet = Photoshop({{0x0404, sets}});
    longSet[14 + 12 + 3] = 0x40;  // the caption's length runs past the end
    Bytes junk = Photoshop({{0x0404, Cat({sets, {0x41, 0x42, 0x43}})}});
    Bytes splitResource = Photoshop({{0x0404, sets}});
    splitResource.resize(splitResource.size() - 4);  // the rest stands in a next segment
    const Bytes twoSegments = Cat({Segment(0xED, good), Segment(0xED, good)});
    Bytes cut = File(Segment(0xED, good));
    cut.resize(30);
    const Bytes paddedWithZeros = Cat({Photoshop({{0x0404, Cat({sets, {0, 0}})}}), {0, 0, 0}});
    struct Case {
        const char* what;
        Bytes file;
        IptcFileRead read;
    };
    const Case cases[] = {
        {"good", File(Segment(0xED, good)), IptcFileRead::Read},
        {"zero padding", File(Segment(0xED, paddedWithZeros)), IptcFileRead::Read},
        {"another segment's APP13 first",
         File(Cat({Segment(0xED, AsBytes("other")), Segment(0xED, good)})),
         IptcFileRead::Unreadable},
        {"dataset past the end", File(Segment(0xED, longSet)), IptcFileRead::Unreadable},
        {"bytes that are no dataset", File(Segment(0xED, junk)), IptcFileRead::Unreadable},
        {"resource split over segments", File(Segment(0xED, splitResource)),
         IptcFileRead::Unreadable},
        {"two blocks", File(twoSegments), IptcFileRead::Unreadable},
        {"header cut short", cut, IptcFileRead::Unreadable},
        {"no JPEG", AsBytes("GIF89a and more"), IptcFileRead::Unreadable},
        {"no APP13", File({}), IptcFileRead::NoBlock},
    };
    for (const Case& c : cases) {
        const std::string file = Write(c.file);
        EXPECT_EQ(ReadIptcFromJpegFile(file, record), c.read) << c.what;
        if (c.read == IptcFileRead::Read) {
            EXPECT_EQ(record.caption, "caption") << c.what;
        }
    }
    EXPECT_EQ(ReadIptcFromJpegFile(dir_.Path("missing.jpg"), record), IptcFileRead::Unreadable);
}

}  // namespace
