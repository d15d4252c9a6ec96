#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/RelativeMouse.h"

namespace {

using gfx::MouseRecord;
using gfx::RelativeMouse;

class RelativeMouseTest : public ::testing::Test {
protected:
    void SetUp() override { gfx::mouse::Reset(); }
    void TearDown() override { gfx::mouse::Reset(); }

    static std::unique_ptr<RelativeMouse> Make(std::uint32_t buffer = 32) {
        std::unique_ptr<RelativeMouse> device;
        EXPECT_EQ(gfx::RelativeMouseCreate(0x0300, &device), gfx::DI_OK);
        EXPECT_EQ(device->SetBufferSize(buffer), gfx::DI_OK);
        EXPECT_EQ(device->SetCooperativeLevel(gfx::DISCL_NONEXCLUSIVE | gfx::DISCL_BACKGROUND),
                  gfx::DI_OK);
        return device;
    }

    static std::vector<MouseRecord> Read(RelativeMouse& device, std::uint32_t most,
                                         gfx::HRESULT expected = gfx::DI_OK) {
        std::vector<MouseRecord> records(most);
        std::uint32_t count = most;
        EXPECT_EQ(device.GetDeviceData(records.data(), &count), expected);
        records.resize(count);
        return records;
    }
};

TEST_F(RelativeMouseTest, AcquiredDevicesEachGetEveryMovementInOrder) {
    auto first = Make();
    auto second = Make();
    auto idle = Make();
    ASSERT_EQ(first->Acquire(), gfx::DI_OK);
    ASSERT_EQ(second->Acquire(), gfx::DI_OK);
    gfx::mouse::Move(3, 0);  // an axis that did not move gives no record
    gfx::mouse::Move(-2, 7);
    for (RelativeMouse* device : {first.get(), second.get()}) {
        const auto records = Read(*device, 16);
        ASSERT_EQ(records.size(), 3u);
        EXPECT_EQ(records[0].offset, gfx::DIMOFS_X);
        EXPECT_EQ(records[0].data, 3);
        EXPECT_EQ(records[1].offset, gfx::DIMOFS_X);
        EXPECT_EQ(records[1].data, -2);
        EXPECT_EQ(records[2].offset, gfx::DIMOFS_Y);
        EXPECT_EQ(records[2].data, 7);
        EXPECT_LT(records[0].sequence, records[2].sequence);
    }
    // Not acquired: nothing was buffered for it, and reading says so.
    EXPECT_TRUE(Read(*idle, 16, gfx::DIERR_NOTACQUIRED).empty());
    ASSERT_EQ(idle->Acquire(), gfx::DI_OK);
    EXPECT_TRUE(Read(*idle, 16).empty());
}

TEST_F(RelativeMouseTest, ReadsTakeBatchesAndAFullBufferDropsTheNewest) {
    auto device = Make(4);
    ASSERT_EQ(device->Acquire(), gfx::DI_OK);
    for (int i = 1; i <= 6; ++i) gfx::mouse::Inject(gfx::DIMOFS_Y, i);
    auto records = Read(*device, 3);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].data, 1);
    EXPECT_EQ(records[2].data, 3);
    std::uint32_t count = 16;
    ASSERT_EQ(device->GetDeviceData(nullptr, &count), gfx::DI_OK);  // dropped unread
    EXPECT_EQ(count, 1u);
    EXPECT_TRUE(Read(*device, 16).empty());
}

}  // namespace
