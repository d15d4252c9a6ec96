// Thumbnails of pictures whose stated size is hostile, made in a child process whose
// memory is capped: the studio must get a thumbnail or a clean failure, never an abort.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/PictureLoader.h"
#include "imaging/tests/BmpWriter.h"
#include "platform/bitmap/DibSection.h"
#include "studio/core/ShellUtils.h"
#include "testing/TempDir.h"

#if defined(__SANITIZE_ADDRESS__)
#define VANTELO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTELO_ASAN 1
#endif
#endif

namespace {

using testing_support::TempDir;

constexpr long kCapMiB = 1024;

// An 8-bit run-length bitmap of one white palette entry: `runs` runs of 255 pixels on the
// first row, then the end of the bitmap; every other row is left to the decoder.
std::string WhiteRle8(std::int32_t width, std::int32_t height, int runs) {
    test_pictures::BmpPicture bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.bits = 8;
    bmp.compression = 1;
    bmp.palette = {0xFFFFFF};
    for (int i = 0; i < runs; ++i) bmp.pixels.insert(bmp.pixels.end(), {255, 0});
    bmp.pixels.insert(bmp.pixels.end(), {0, 1});
    const std::vector<std::uint8_t> bytes = bmp.Build();
    return std::string(bytes.begin(), bytes.end());
}

// Runs the thumbnail in a child with its address space capped (under AddressSanitizer,
// which reserves address space up front, its peak resident size is checked instead).
// Exit code 0: a thumbnail was written; 1: a clean false; 2: memory above the cap.
int ThumbnailInCappedChild(const std::string& source, const std::string& target) {
    const pid_t child = ::fork();
    if (child == 0) {
#ifndef VANTELO_ASAN
        const rlimit cap{kCapMiB << 20, kCapMiB << 20};
        ::setrlimit(RLIMIT_AS, &cap);
#endif
        const bool made = SaveThumbnailJpeg({64, 48}, source, target, 90, nullptr, nullptr, nullptr,
                                            nullptr, 0x000000, 0);
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        if (usage.ru_maxrss > kCapMiB * 1024) ::_exit(2);
        ::_exit(made ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ThumbnailMemory, HostileSizesGiveAThumbnailWithinBoundedMemory) {
    TempDir dir;
    struct Case {
        const char* what;
        std::int32_t width, height;
        int runs;
        int whiteRows;  // rows of the 48 of the box expected white (from the top)
    };
    // 1 x 100,000,000 is 2 GB as a bitmap; 17,000,000 white pixels across overflow 32-bit
    // sums (they once came out as (2,2,2)).
    const Case cases[] = {
        {"one pixel wide, a hundred million tall", 1, 100000000, 1, 0},
        {"seventeen million wide, white", 17000000, 1, 17000000 / 255 + 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = dir.Write(std::string(c.what).substr(0, 3) + ".bmp",
                                             WhiteRle8(c.width, c.height, c.runs));
        const std::string target = dir.Path("tmb.jpg");
        ASSERT_EQ(ThumbnailInCappedChild(source, target), 0);
        const auto thumb = LoadPictureAsDIB(target, nullptr, nullptr, nullptr);
        ASSERT_TRUE(thumb);
        ASSERT_EQ(thumb->width(), 64);
        if (c.whiteRows > 0) {
            // The one row fills the bottom row of a black box, white across its width.
            const std::uint8_t* p = thumb->Row(47) + 32 * 3;
            EXPECT_GE(p[0], 230);
            EXPECT_GE(p[1], 230);
            EXPECT_GE(p[2], 230);
        }
    }
}

}  // namespace
