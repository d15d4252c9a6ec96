#include "platform/files/MappedFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <numeric>

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

// Another program cutting a file short while it is read, or after: every read gives at most
// what the file held and touching the bytes never faults.
TEST(MappedFile, AFileCutShortByAnotherProgramIsReadAsFarAsItGoes) {
    testing_support::TempDir dir;
    const std::string whole(1 << 20, 'v');
    const std::string path = dir.Write("cut.jpg", whole);

    MappedFile file;
    ASSERT_EQ(file.Open(path), MappedFile::Status::Ok);
    ASSERT_EQ(::truncate(path.c_str(), 10), 0);
    EXPECT_EQ(std::accumulate(file.data(), file.data() + file.size(), std::size_t{0}),
              whole.size() * 'v');

    // A writer that keeps rewriting and cutting the file, against a reader in a loop.
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        for (int i = 0; i < 100; ++i) {
            if (::truncate(path.c_str(), (i % 7) * 1000) != 0) ::_exit(1);
            if (FILE* out = std::fopen(path.c_str(), "ab")) {
                std::fwrite(whole.data(), 1, whole.size() / (1 + i % 5), out);
                std::fclose(out);
            }
        }
        ::_exit(0);
    }
    for (int i = 0; i < 100; ++i) {
        if (file.Open(path) != MappedFile::Status::Ok) continue;
        ASSERT_LE(file.size(), whole.size() + 7000);
        std::size_t sum = 0;
        for (std::size_t k = 0; k < file.size(); ++k) sum += file.data()[k];
        EXPECT_GT(sum, 0u);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
