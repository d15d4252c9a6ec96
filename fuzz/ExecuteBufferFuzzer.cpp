// The old 3D interface's execute-buffer interpreter on untrusted bytes: the first 16 bytes
// are the execute data (vertex offset and count, instruction offset and length), the rest
// the buffer. Whatever comes, nothing is read outside the buffer, nothing is written
// outside the target, and refused data leaves the target as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gfx/ExecuteInterpreter.h"

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 30;
constexpr int kTexture = 8;

std::uint32_t Word(const std::uint8_t* at) {
    std::uint32_t w = 0;
    std::memcpy(&w, at, sizeof w);
    return w;
}

platform::PixelFormat X888() {
    return platform::PixelFormat{32, 0xFF0000, 0xFF00, 0xFF, 0};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 16) return 0;
    gfx::ExecuteData exec;
    exec.vertexOffset = Word(data);
    exec.vertexCount = Word(data + 4);
    exec.instructionOffset = Word(data + 8);
    exec.instructionLength = Word(data + 12);
    // The buffer in a block of exactly its size, so that a read past it shows.
    std::vector<std::uint8_t> buffer(data + 16, data + size);

    // The target with a guard row above and below, which must stay untouched.
    const std::ptrdiff_t pitch = kWidth * 4;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(pitch) * (kHeight + 2), 0x5A);
    std::vector<std::uint8_t> texels(kTexture * kTexture * 4);
    for (std::size_t i = 0; i < texels.size(); ++i)
        texels[i] = static_cast<std::uint8_t>(i * 7 + 1);

    gfx::ExecuteTarget target;
    target.pixels = platform::SurfacePixels{pixels.data() + pitch, kWidth, kHeight, pitch, X888()};
    target.clip = Rect{0, 0, kWidth, kHeight};
    target.viewport.width = kWidth;
    target.viewport.height = kHeight;
    target.viewport.maxX = kWidth / 2.0f;
    target.viewport.maxY = kHeight / 2.0f;
    gfx::Matrix matrices[3];
    matrices[1].m[1][1] = -1;
    matrices[1].m[3][0] = -kWidth / 2.0f;
    matrices[1].m[3][1] = kHeight / 2.0f;
    matrices[2].m[3][2] = 1;
    matrices[2].m[2][3] = 0.5f;  // a perspective divide
    target.matrix = [&matrices](std::uint32_t handle) -> const gfx::Matrix* {
        return handle >= 1 && handle <= 3 ? &matrices[handle - 1] : nullptr;
    };
    target.texture = [&texels](std::uint32_t handle, platform::SurfacePixels& out) {
        if (handle != 1) return false;
        out = platform::SurfacePixels{texels.data(), kTexture, kTexture, kTexture * 4, X888()};
        return true;
    };

    const std::vector<std::uint8_t> before = pixels;
    const gfx::HRESULT hr = gfx::ExecuteInstructions(buffer.data(), buffer.size(), exec, target);
    if (hr != gfx::DD_OK && pixels != before) std::abort();
    for (std::ptrdiff_t i = 0; i < pitch; ++i) {
        if (pixels[static_cast<std::size_t>(i)] != 0x5A ||
            pixels[pixels.size() - 1 - static_cast<std::size_t>(i)] != 0x5A) {
            std::abort();
        }
    }
    return 0;
}
