// The embedding tag's attributes and the scripting members on untrusted values: the bytes
// decode into lists of attributes and into member calls through the member table, applied
// to a viewer without a window. Whatever comes, the viewer keeps a position it can show and
// a canvas of at least one pixel.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <stdlib.h>

#include "platform/debug/Debug.h"
#include "viewer-plugin/viewer/DispatchTable.h"
#include "viewer-plugin/viewer/EmbedAttributes.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

namespace {

using scripting::Value;
using scripting::ValueType;

constexpr const char* kNames[] = {
    "param_filename",     "param_userinterfacelock",
    "param_fullscreen",   "param_posx",
    "param_posy",         "param_posz",
    "param_showlogo",     "param_fit",
    "param_borderheight", "param_borderwidth",
    "param_bordercolor",  "param_panspeed",
    "param_zoomspeed",    "param_minzoom",
    "param_maxzoom",      "param_bgcolor",
    "event_ChangedPos",   "event_OnChangeMode",
    "event_OnCursor",     "event_OnLoad",
    "event_Load",         "event_OnTime",
    "event_Time",         "event_ZoomedToGoal",
};
constexpr std::size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);

// A host that answers everything and keeps nothing.
struct QuietHost : CCustomPluginInterface {
    HRESULT FireOnRequestEdit(int) override { return 0; }
    HRESULT GetZoomInfo(ZoomInfo*) override { return 0; }
    HRESULT TryFireOnRequestEdit(int) override { return 0; }
    HRESULT SendOnDataChange(int) override { return 0; }
    HRESULT Invalidate() override { return 0; }
    HRESULT ChangedPos(float, float, float) override { return 0; }
    HRESULT ZoomedToGoal() override { return 0; }
    HRESULT OnLoad() override { return 0; }
    HRESULT OnTime() override { return 0; }
    HRESULT OnCursor(short, short, short) override { return 0; }
    HRESULT OnChangeMode(short, short, short) override { return 0; }
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool More() const { return at_ < size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Word() {
        std::uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w = w << 8 | Byte();
        return w;
    }
    // Up to 255 bytes, as many as are left.
    std::string Text() {
        const std::size_t length = std::min<std::size_t>(Byte(), size_ - at_);
        std::string text(reinterpret_cast<const char*>(data_ + at_), length);
        at_ += length;
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

float FloatOf(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// A known name in a case the bytes choose, or the bytes as a name.
std::string Name(Reader& in) {
    const std::uint8_t pick = in.Byte();
    if (pick >= 2 * kNameCount) return in.Text();
    std::string name = kNames[pick % kNameCount];
    const std::uint32_t mask = in.Word();
    for (std::size_t i = 0; i < name.size() && i < 32; ++i) {
        if ((mask >> i & 1) != 0 && name[i] >= 'a' && name[i] <= 'z') name[i] -= 'a' - 'A';
    }
    return name;
}

void ApplyAttributes(CVanteloPlugin& viewer, Reader& in) {
    const int count = in.Byte() % 8;
    std::vector<std::string> names;
    std::vector<std::string> values;
    for (int i = 0; i < count; ++i) {
        names.push_back(Name(in));
        values.push_back(in.Text());
    }
    const std::uint8_t shape = in.Byte();
    std::vector<const char*> namePointers;
    std::vector<const char*> valuePointers;
    for (int i = 0; i < count; ++i) {
        namePointers.push_back(i == 0 && (shape & 1) != 0 ? nullptr : names[i].c_str());
        valuePointers.push_back(values[i].c_str());
    }
    // Lists of unequal length, as a host might pass them.
    if ((shape & 0x80) != 0 && !valuePointers.empty()) valuePointers.pop_back();
    if ((shape & 0x40) != 0 && !valuePointers.empty()) valuePointers[0] = nullptr;
    EventNameMap events;
    ApplyEmbedAttributes(viewer, namePointers, valuePointers, events);
    for (const auto& [id, name] : events) {
        if (id < 0 || id > 5) std::abort();
    }
}

Value Argument(ValueType type, Reader& in, float* out) {
    switch (in.Byte() % 4) {
        case 0:
            return Value::Int(static_cast<int>(in.Word()));
        case 1:
            return Value::Float(FloatOf(in.Word()));
        case 2:
            return Value::String(in.Text());
        default:
            return type == ValueType::FloatOut ? Value::FloatOut(in.Byte() % 2 ? out : nullptr)
                                               : Value::Float(FloatOf(in.Word()));
    }
}

void CallMember(CVanteloPlugin& viewer, Reader& in) {
    const auto entries = scripting::Entries();
    const scripting::Entry& entry = entries[in.Byte() % entries.size()];
    float outs[scripting::kMaxParameters] = {};
    std::vector<Value> arguments;
    for (std::size_t i = 0; i < entry.parameterCount; ++i) {
        arguments.push_back(Argument(entry.parameterTypes[i], in, &outs[i]));
    }
    // Now and then one argument too many.
    if (in.Byte() == 0xFF) arguments.push_back(Value::Int(0));
    Value result;
    scripting::Invoke(viewer, entry, arguments, &result);
    if (entry.kind == scripting::MemberKind::Get && entry.result != result.Type() &&
        result.Type() != ValueType::None) {
        std::abort();
    }
}

void CheckViewer(const CVanteloPlugin& viewer) {
    float x = 0;
    float y = 0;
    float z = 0;
    viewer.GetPosition(&x, &y, &z);
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) || z == 0) std::abort();
    if (!(viewer.get_MinZoom() >= 0.01f)) std::abort();
    if (viewer.get_CanvasWidth() < 1 || viewer.get_CanvasHeight() < 1) std::abort();
}

// The viewer reads its options as it is made: from a registry of the fuzzer's own, gone
// when the process ends.
struct Registry {
    Registry() {
        char pattern[] = "/tmp/vantelo-fuzz-attributes-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        path = pattern;
        setenv("VANTELO_REGISTRY_DIR", path.c_str(), 1);
    }
    ~Registry() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Registry registry;
    platform::SetDebugSilent(true);

    QuietHost host;
    CVanteloPlugin viewer;
    viewer.SetHostInterface(&host);
    Reader in(data, size);
    while (in.More()) {
        if (in.Byte() % 2 == 0) {
            ApplyAttributes(viewer, in);
        } else {
            CallMember(viewer, in);
        }
        CheckViewer(viewer);
    }
    return 0;
}
