// The viewer control's saved state on untrusted bytes, as a page's control data brings them.
// What reads must write back as the very bytes it read; a control loads any bytes without
// harm, and what it saves after a load it loads again.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/MemoryStream.h"
#include "viewer-control/ControlState.h"
#include "viewer-control/LensObj.h"

namespace {

// The control reads its options from the registry: one of its own, in a temporary folder
// that goes when the run ends.
struct Registry {
    Registry() {
        const char* temp = std::getenv("TMPDIR");
        folder = std::string(temp != nullptr ? temp : "/tmp") + "/control_state_fuzz.XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr) std::abort();
        ::setenv("VANTELO_REGISTRY_DIR", folder.c_str(), 1);
    }
    ~Registry() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string folder;
};

LensObj& Control() {
    static Registry registry;
    static LensObj* control = [] {
        LensObj* made = LensObj::Create();
        if (made == nullptr) std::abort();
        return made;
    }();
    return *control;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    const auto state = ReadControlState([&](void* out, std::size_t n) {
        if (n > size - at) return false;
        std::memcpy(out, data + at, n);
        at += n;
        return true;
    });
    if (state) {
        const auto again = WriteControlState(*state);
        if (!again || again->size() != at || std::memcmp(again->data(), data, at) != 0) {
            std::abort();
        }
    }

    LensObj& control = Control();
    platform::ComPtr<platform::MemoryStream> in;
    in.Attach(platform::MemoryStream::Create(std::vector<std::uint8_t>(data, data + size)));
    // A state that does not read never loads (one that reads may still hold a value its
    // member refuses).
    if (platform::Succeeded(control.Load(in.get())) && !state) std::abort();
    platform::ComPtr<platform::MemoryStream> saved;
    saved.Attach(platform::MemoryStream::Create());
    if (platform::Failed(control.Save(saved.get(), true))) std::abort();
    saved->Seek(0, platform::STREAM_SEEK_SET, nullptr);
    if (platform::Failed(control.Load(saved.get()))) std::abort();
    return 0;
}
