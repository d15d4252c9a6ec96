#include "studio/core/Properties.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/registry/Registry.h"

namespace {

constexpr char kKey[] = "Software\\Vantelo\\Kivo";
constexpr char kClass[] = "vantelo";

void ReadText(const std::optional<platform::RegValue>& value, std::string& field) {
    if (!value) return;
    std::string text(value->data.begin(), value->data.end());
    text.resize(std::strlen(text.c_str()));
    field = std::move(text);
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
    // One read of the hive for every preference.
    const auto numbers = NumberFields();
    std::vector<std::string_view> names{"EditorHtml", "EditorImage"};
    for (const auto& [name, field] : numbers) names.emplace_back(name);
    std::vector<std::optional<platform::RegValue>> values;
    if (key.QueryValues(names, values) != platform::RegResult::Ok) return;
    ReadText(values[0], editorHtml_);
    ReadText(values[1], editorImage_);
    // Every number is 4 bytes, taken whatever the stored type; a value of another size
    // leaves its field as it is.
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const auto& value = values[i + 2];
        if (!value) continue;
        if (const auto bits = value->FourBytes()) std::memcpy(numbers[i].second, &*bits, 4);
    }
    changed_ = false;
}

std::array<std::pair<const char*, void*>, 15> Properties::NumberFields() {
    static_assert(sizeof(int) == 4 && sizeof(float) == 4);
    return {{{"ThumbColor", &thumbColor_},
             {"ThumbWidth", &thumbSize_.x},
             {"ThumbHeight", &thumbSize_.y},
             {"ThumbQuality", &thumbQuality_},
             {"VanteloMinZoom", &minZoom_},
             {"VanteloMaxZoom", &maxZoom_},
             {"VanteloBgColor", &bgColor_},
             {"VanteloBorderColor", &borderColor_},
             {"VanteloBorderWidth", &borderSize_.x},
             {"VanteloBorderHeight", &borderSize_.y},
             {"VanteloLock", &lock_},
             {"VanteloFit", &fit_},
             {"VanteloPosX", &position_.x},
             {"VanteloPosY", &position_.y},
             {"VanteloPosZ", &position_.z}}};
}

bool Properties::Save() {
    if (!changed_) return true;
    platform::RegKey key;
    if (platform::RegKey::Create(registry_, platform::RegHive::CurrentUser, kKey, kClass, key) !=
        platform::RegResult::Ok) {
        return false;
    }
    std::vector<std::pair<std::string, platform::RegValue>> values = {
        {"EditorHtml", platform::RegValue::String(editorHtml_)},
        {"EditorImage", platform::RegValue::String(editorImage_)},
    };
    // Floats are kept as their own 4 bytes.
    for (const auto& [name, field] : NumberFields()) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, field, 4);
        values.emplace_back(name, platform::RegValue::Dword(bits));
    }
    if (key.SetValues(values) != platform::RegResult::Ok) return false;
    changed_ = false;
    return true;
}
