#pragma once

// The registry of a whole COM test program lives in a temporary folder, set before any
// test can reach it; classes are registered there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/com/Com.h"
#include "platform/registry/Registry.h"
#include "testing/TempDir.h"

namespace com_test {

class TemporaryRegistry final : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<testing_support::TempDir>();
        ::setenv("VANTELO_REGISTRY_DIR", folder_->path().c_str(), 1);
    }
    void TearDown() override { folder_.reset(); }

private:
    std::unique_ptr<testing_support::TempDir> folder_;
};
inline ::testing::Environment* const kTemporaryRegistry =
    ::testing::AddGlobalTestEnvironment(new TemporaryRegistry);

inline void Register(const platform::GUID& clsid, const char* library) {
    using namespace platform;
    RegKey key;
    ASSERT_EQ(RegKey::Create(Registry::Default(), RegHive::ClassesRoot,
                             "CLSID\\" + FormatGuid(clsid) + "\\InprocServer32", "", key),
              RegResult::Ok);
    ASSERT_EQ(key.SetString("", library), RegResult::Ok);
}

}  // namespace com_test
