#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <QImage>

#include "imaging/tests/JpegFixtures.h"
#include "testing/NpapiHost.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace npvantelo_test {

using testing_support::NpapiHost;

// The library loaded into a browser host of the test's own, with the registry and the
// display record in places of the test's own.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        static testing_support::TempDir registry;
        ::setenv("VANTELO_REGISTRY_DIR", registry.path().c_str(), 1);
        static int serial = 0;
        shm_ = "/vantelo-np-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
        ::setenv("VANTELO_SHM_NAME", shm_.c_str(), 1);
        host_ = std::make_unique<NpapiHost>(Pacing());
        ASSERT_TRUE(host_->Load(NPVANTELO_PATH)) << host_->LoadError();
    }
    void TearDown() override {
        host_.reset();
        ::shm_unlink(shm_.c_str());
        ::unsetenv("VANTELO_SHM_NAME");
    }
    virtual bool Pacing() const { return false; }

    // Both exports called, as a browser starts a plug-in.
    void Start() { ASSERT_EQ(host_->Start(), NPERR_NO_ERROR); }

    std::unique_ptr<NpapiHost::Instance> Embed(const NpapiHost::Attributes& attributes = {},
                                               int width = 400, int height = 300) {
        NPError result = -1;
        auto instance = host_->NewInstance(attributes, &result);
        EXPECT_EQ(result, NPERR_NO_ERROR);
        if (!instance) return nullptr;
        instance->MakeWindow(width, height);
        EXPECT_EQ(instance->SetWindow(), NPERR_NO_ERROR);
        return instance;
    }

    // Runs events until `done` holds or the limit passes.
    template <class Done>
    static bool PumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            NpapiHost::Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    static std::string SolidJpeg(int width, int height, std::uint32_t rgb) {
        const auto bytes = jpeg_fixtures::Solid(width, height, rgb);
        return std::string(bytes.begin(), bytes.end());
    }

    // Within a few steps of each channel, as a JPEG keeps a flat colour.
    static bool Near(QRgb pixel, std::uint32_t rgb) {
        const auto close = [](int a, int b) { return a - b <= 6 && b - a <= 6; };
        return close(qRed(pixel), static_cast<int>((rgb >> 16) & 0xFF)) &&
               close(qGreen(pixel), static_cast<int>((rgb >> 8) & 0xFF)) &&
               close(qBlue(pixel), static_cast<int>(rgb & 0xFF));
    }

    std::unique_ptr<NpapiHost> host_;
    std::string shm_;
};

}  // namespace npvantelo_test
