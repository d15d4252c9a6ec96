#include "studio/shell/Properties.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/registry/Registry.h"

namespace {

constexpr char kKey[] = "Software\\Vantelo\\Kivo";
constexpr char kClass[] = "vantelo";

// Every number is kept as a 4-byte value; a float as its own 4 bytes.
template <typename T>
std::uint32_t Bits(T value) {
    static_assert(sizeof(T) == 4);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return bits;
}

// Takes a stored value whatever its type, as long as it has exactly 4 bytes; else the field
// keeps what it holds.
template <typename T>
void ReadFour(const platform::RegKey& key, const char* name, T& field) {
    static_assert(sizeof(T) == 4);
    platform::RegValue value;
    if (key.QueryValue(name, value) != platform::RegResult::Ok || value.data.size() != 4) return;
    const std::uint32_t bits = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                               (static_cast<std::uint32_t>(value.data[3]) << 24);
    std::memcpy(&field, &bits, 4);
}

void ReadText(const platform::RegKey& key, const char* name, std::string& field) {
    platform::RegValue value;
    if (key.QueryValue(name, value) != platform::RegResult::Ok) return;
    std::string text(value.data.begin(), value.data.end());
    text.resize(std::strlen(text.c_str()));
    field = std::move(text);
}

platform::RegValue Four(std::uint32_t bits) {
    return {platform::RegType::Dword,
            {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
             static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
}

platform::RegValue Text(const std::string& text) {
    platform::RegValue value{platform::RegType::Sz, {text.begin(), text.end()}};
    value.data.push_back(0);
    return value;
}

}  // namespace

Properties::Properties(platform::Registry& registry) : registry_(registry) {}

Properties& Properties::Instance() {
    static Properties instance(platform::Registry::Default());
    [[maybe_unused]] static const bool loaded = (instance.Load(), true);
    return instance;
}

void Properties::Load() {
    platform::RegKey key;
    if (platform::RegKey::Open(registry_, platform::RegHive::CurrentUser, kKey, key) !=
        platform::RegResult::Ok) {
        return;
    }
    ReadText(key, "EditorHtml", editorHtml_);
    ReadText(key, "EditorImage", editorImage_);
    ReadFour(key, "ThumbColor", thumbColor_);
    ReadFour(key, "ThumbWidth", thumbSize_.x);
    ReadFour(key, "ThumbHeight", thumbSize_.y);
    ReadFour(key, "ThumbQuality", thumbQuality_);
    ReadFour(key, "VanteloMinZoom", minZoom_);
    ReadFour(key, "VanteloMaxZoom", maxZoom_);
    ReadFour(key, "VanteloBgColor", bgColor_);
    ReadFour(key, "VanteloBorderColor", borderColor_);
    ReadFour(key, "VanteloBorderWidth", borderSize_.x);
    ReadFour(key, "VanteloBorderHeight", borderSize_.y);
    ReadFour(key, "VanteloLock", lock_);
    ReadFour(key, "VanteloFit", fit_);
    ReadFour(key, "VanteloPosX", position_.x);
    ReadFour(key, "VanteloPosY", position_.y);
    ReadFour(key, "VanteloPosZ", position_.z);
    changed_ = false;
}

bool Properties::Save() {
    if (!changed_) return true;
    platform::RegKey key;
    if (platform::RegKey::Create(registry_, platform::RegHive::CurrentUser, kKey, kClass, key) !=
        platform::RegResult::Ok) {
        return false;
    }
    const std::vector<std::pair<std::string, platform::RegValue>> values = {
        {"EditorHtml", Text(editorHtml_)},
        {"EditorImage", Text(editorImage_)},
        {"ThumbColor", Four(Bits(thumbColor_))},
        {"ThumbWidth", Four(Bits(thumbSize_.x))},
        {"ThumbHeight", Four(Bits(thumbSize_.y))},
        {"ThumbQuality", Four(Bits(thumbQuality_))},
        {"VanteloMinZoom", Four(Bits(minZoom_))},
        {"VanteloMaxZoom", Four(Bits(maxZoom_))},
        {"VanteloBgColor", Four(Bits(bgColor_))},
        {"VanteloBorderColor", Four(Bits(borderColor_))},
        {"VanteloBorderWidth", Four(Bits(borderSize_.x))},
        {"VanteloBorderHeight", Four(Bits(borderSize_.y))},
        {"VanteloLock", Four(Bits(lock_))},
        {"VanteloFit", Four(Bits(fit_))},
        {"VanteloPosX", Four(Bits(position_.x))},
        {"VanteloPosY", Four(Bits(position_.y))},
        {"VanteloPosZ", Four(Bits(position_.z))},
    };
    if (key.SetValues(values) != platform::RegResult::Ok) return false;
    changed_ = false;
    return true;
}
