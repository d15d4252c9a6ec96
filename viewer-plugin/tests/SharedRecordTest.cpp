#include "viewer-plugin/display/SharedRecord.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Each test gets a record of its own, so that parallel test processes never share one.
class SharedRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        name_ = "/vantelo-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
        ::setenv("VANTELO_SHM_NAME", name_.c_str(), 1);
    }
    void TearDown() override {
        ::shm_unlink(name_.c_str());
        ::unsetenv("VANTELO_SHM_NAME");
    }

    // Runs body in a child process; the child's exit code is body's result.
    static pid_t Spawn(const std::function<int()>& body) {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(body());
        return pid;
    }
    static int ExitCode(pid_t pid) {
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

    std::string name_;
};

// Memory the test's processes share to meet at the start of each round.
template <typename T>
T* SharedScratch() {
    void* p = ::mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : new (p) T();
}

struct RoundScratch {
    static constexpr int kRounds = 1000;
    std::atomic<int> arrived{0};
    std::atomic<int> generation{0};
    std::atomic<int> wins[kRounds]{};

    // Two parties; the last to arrive lets both go on.
    void Meet() {
        const int gen = generation.load();
        if (arrived.fetch_add(1) == 1) {
            arrived.store(0);
            generation.fetch_add(1);
        } else {
            while (generation.load() == gen) ::sched_yield();
        }
    }
};

TEST_F(SharedRecordTest, TwoProcessesRacingForTheClaimNeverBothWin) {
    auto* scratch = SharedScratch<RoundScratch>();
    ASSERT_NE(scratch, nullptr);
    SharedRecord record;
    ASSERT_TRUE(record.Map());
    auto race = [scratch](SharedRecord& mine, bool clears) {
        for (int round = 0; round < RoundScratch::kRounds; ++round) {
            scratch->Meet();
            if (mine.TryClaimHardware()) scratch->wins[round].fetch_add(1);
            scratch->Meet();
            if (clears) mine.ClearHardwareClaim();
            scratch->Meet();
        }
    };
    const pid_t child = Spawn([&] {
        SharedRecord own;
        if (!own.Map()) return 2;
        race(own, false);
        return 0;
    });
    race(record, true);
    EXPECT_EQ(ExitCode(child), 0);
    for (int round = 0; round < RoundScratch::kRounds; ++round) {
        ASSERT_EQ(scratch->wins[round].load(), 1) << "round " << round;
    }
    ::munmap(scratch, sizeof(RoundScratch));
}

TEST_F(SharedRecordTest, ConcurrentCountingInAndOutEndsAtZero) {
    SharedRecord record;
    ASSERT_TRUE(record.Map());
    std::vector<pid_t> children;
    for (int i = 0; i < 4; ++i) {
        children.push_back(Spawn([] {
            SharedRecord own;
            if (!own.Map()) return 2;
            for (int n = 0; n < 20000; ++n) own.CountIn();
            for (int n = 0; n < 20000; ++n) own.CountOut();
            return 0;
        }));
    }
    for (pid_t child : children) EXPECT_EQ(ExitCode(child), 0);
    EXPECT_EQ(record.RunningCount(), 0);
}

TEST_F(SharedRecordTest, AKilledHoldersClaimGoesWithTheLastClose) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = Spawn([&] {
        SharedRecord own;
        if (!own.Map()) return 2;
        own.CountIn();
        own.TryClaimHardware();
        char byte = 1;
        if (::write(ready[1], &byte, 1) != 1) return 3;
        for (;;) ::pause();
    });
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    SharedRecord record;
    ASSERT_TRUE(record.Map());
    EXPECT_FALSE(record.TryClaimHardware());
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    // While another process has it open, the record keeps what the holder left.
    EXPECT_EQ(record.RunningCount(), 1);
    EXPECT_TRUE(record.IsHardwareClaimed());

    record.Unmap();
    ASSERT_TRUE(record.Map());
    EXPECT_EQ(record.RunningCount(), 0);
    EXPECT_FALSE(record.IsHardwareClaimed());
    EXPECT_TRUE(record.TryClaimHardware());
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(SharedRecordTest, FieldsSitWhereOtherProcessesReadThem) {
    SharedRecord record;
    ASSERT_TRUE(record.Map());
    platform::SharedMemory raw;
    ASSERT_TRUE(raw.Open(name_, SharedRecord::kMappingSize));
    EXPECT_FALSE(raw.StartedFresh());
    auto* bytes = reinterpret_cast<volatile std::uint8_t*>(raw.data());
    bytes[12] = 0x55;
    ASSERT_TRUE(record.TryClaimHardware());
    record.CountIn();
    record.CountIn();
    record.SetReleased(true);
    record.SetReleaseRequest(true);
    const std::uint8_t expected[13] = {1, 0, 0, 0, 2, 0, 0, 0, 1, 1, 0, 0, 0};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(bytes[i], expected[i]) << "byte " << i;

    record.CountOut();
    record.CountOut();
    record.CountOut();
    EXPECT_EQ(bytes[4], 0xFF);  // the count is signed
    EXPECT_EQ(record.RunningCount(), -1);
}

TEST_F(SharedRecordTest, AskingForTheHardwareWaitsABoundedTime) {
    struct Case {
        const char* what;
        int count;
        HardwareAskOptions options;
        int releasedAfterSleeps;  // the holder answers after this many 300 ms sleeps; -1 never
        HardwareAsk result;
        std::vector<long> sleeps;
    };
    const std::vector<long> silent = [] {
        std::vector<long> s{0};
        s.insert(s.end(), 13, 300);
        return s;
    }();
    HardwareAskOptions desktop;
    desktop.desktopResolution = true;
    const Case cases[] = {
        {"three viewers, silent holder", 3, {}, -1, HardwareAsk::NoAnswer, silent},
        {"alone", 1, {}, -1, HardwareAsk::NotAsked, {}},
        {"holder answers after two sleeps", 3, {}, 2, HardwareAsk::LetGo, {0, 300, 300}},
        {"desktop resolution", 3, desktop, -1, HardwareAsk::Dropped, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::shm_unlink(name_.c_str());
        SharedRecord record;
        ASSERT_TRUE(record.Map());
        for (int i = 0; i < c.count; ++i) record.CountIn();
        ASSERT_TRUE(record.TryClaimHardware());
        record.SetReleased(true);  // left over from an earlier handshake

        std::vector<long> sleeps;
        bool requestSeenBySwitch = false;
        HardwareAskOptions options = c.options;
        options.switchDisplayMode = [&] { requestSeenBySwitch = record.IsReleaseRequested(); };
        options.sleep = [&](std::chrono::milliseconds period) {
            sleeps.push_back(static_cast<long>(period.count()));
            if (period == 300ms && static_cast<int>(sleeps.size()) - 1 == c.releasedAfterSleeps) {
                record.SetReleased(true);
            }
        };
        EXPECT_EQ(AskForHardware(record, options), c.result);
        EXPECT_EQ(sleeps, c.sleeps);
        EXPECT_FALSE(record.IsReleaseRequested());
        EXPECT_EQ(requestSeenBySwitch, c.result != HardwareAsk::NotAsked);
        if (c.result == HardwareAsk::NoAnswer) {
            EXPECT_FALSE(record.IsReleased());
        }
    }
}

TEST_F(SharedRecordTest, ACountNoViewersReachKeepsTheWaitAtThatOfThirtyTwo) {
    SharedRecord record;
    ASSERT_TRUE(record.Map());
    platform::SharedMemory raw;
    ASSERT_TRUE(raw.Open(name_, SharedRecord::kMappingSize));
    auto* count = reinterpret_cast<volatile std::int32_t*>(raw.data() + 4);
    for (const std::int32_t written : {33, 1000000, 0x7FFFFFFF}) {
        SCOPED_TRACE(written);
        // Any process of the user may write the count: here, one that is no viewer.
        *count = written;
        ASSERT_TRUE(record.TryClaimHardware());
        int sleeps = 0;
        HardwareAskOptions options;
        options.sleep = [&](std::chrono::milliseconds period) {
            // Far beyond the bound, the holder is made to answer, so a wait without one ends.
            if (period == 300ms && ++sleeps == 1000) record.SetReleased(true);
        };
        EXPECT_EQ(AskForHardware(record, options), HardwareAsk::NoAnswer);
        EXPECT_EQ(sleeps, 32 + 10);
        record.ClearHardwareClaim();
    }
}

}  // namespace
