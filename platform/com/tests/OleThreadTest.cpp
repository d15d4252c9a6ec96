#include <gtest/gtest.h>

#include <thread>

#include "platform/com/OleThread.h"
#include "platform/com/tests/NullMessageFilter.h"

namespace {

using namespace platform;

using CountedFilter = com_test::NullMessageFilter;

TEST(OleThreadTest, TheFlagAndTheFilterBelongToTheThread) {
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
    ComPtr<CountedFilter> first;
    first.Attach(new CountedFilter);
    ASSERT_EQ(CoRegisterMessageFilter(first.get(), nullptr), S_OK);
    EXPECT_EQ(first->Count(), 2u);

    std::thread([] {
        EXPECT_FALSE(IsOleInitialized());
        EXPECT_EQ(CurrentMessageFilter(), nullptr);
    }).join();
    EXPECT_TRUE(IsOleInitialized());

    // A second filter hands the first back with the thread's reference; putting it back
    // returns the second.
    ComPtr<CountedFilter> second;
    second.Attach(new CountedFilter);
    IMessageFilter* previous = nullptr;
    ASSERT_EQ(CoRegisterMessageFilter(second.get(), &previous), S_OK);
    EXPECT_EQ(previous, first.get());
    EXPECT_EQ(CurrentMessageFilter(), second.get());
    IMessageFilter* ours = nullptr;
    ASSERT_EQ(CoRegisterMessageFilter(previous, &ours), S_OK);
    previous->Release();
    EXPECT_EQ(ours, second.get());
    ours->Release();
    EXPECT_EQ(second->Count(), 1u);
    EXPECT_EQ(first->Count(), 2u);

    CoRegisterMessageFilter(nullptr, nullptr);
    EXPECT_EQ(first->Count(), 1u);
    OleUninitialize();
    EXPECT_FALSE(IsOleInitialized());
}

}  // namespace
