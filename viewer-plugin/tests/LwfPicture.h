#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/lwf/testing/LwfTesting.h"
#include "testing/LoopbackServer.h"

namespace lwf_picture {

// A colour picture of smooth gradients as a LuraWave (JPEG 2000) file with several quality
// layers, so that early passes show less detail.
inline std::vector<std::uint8_t> LwfPicture(int width, int height) {
    std::vector<int> samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            samples.push_back((x * 255) / width);
            samples.push_back((y * 255) / height);
            samples.push_back(((x + y) * 7) & 0xFF);
        }
    }
    lwf_testing::J2kOptions options;
    options.layers = 3;
    return lwf_testing::EncodeJ2k(samples, width, height, 3, options);
}

// A tall picture whose download stops halfway until the server is released: a progressive
// load that is still running.
inline testing_support::HttpReply HeldTallPicture() {
    const auto file = LwfPicture(300, 254 * 3);
    auto reply = testing_support::HttpReply::Body(std::string(file.begin(), file.end()));
    reply.holdAfter = file.size() / 2;
    return reply;
}

}  // namespace lwf_picture
