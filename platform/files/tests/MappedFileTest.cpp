#include "platform/files/MappedFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testing/TempDir.h"

namespace {

using platform::MappedFile;

TEST(MappedFile, MapsAWholeFileAndRefusesEmptyOrMissingOnes) {
    testing_support::TempDir dir;
    const std::string full = dir.Write("a.bin", std::string("\x01\x02\x03", 3));
    const std::string empty = dir.Write("empty.bin", "");

    MappedFile file;
    ASSERT_EQ(file.Open(full), MappedFile::Status::Ok);
    ASSERT_EQ(file.size(), 3u);
    EXPECT_EQ(file.data()[2], 3);

    MappedFile moved(std::move(file));
    EXPECT_EQ(moved.size(), 3u);
    EXPECT_EQ(file.data(), nullptr);

    EXPECT_EQ(file.Open(empty), MappedFile::Status::MappingFailed);
    EXPECT_EQ(file.Open(dir.Path("missing")), MappedFile::Status::OpenFailed);
    EXPECT_EQ(file.Open(dir.path()), MappedFile::Status::OpenFailed);
    // A named pipe fails at once instead of waiting for a writer.
    const std::string pipe = dir.Path("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(file.Open(pipe), MappedFile::Status::OpenFailed);
}

}  // namespace
