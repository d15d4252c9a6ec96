// NPLensObj's embed attributes: the bytes become name and value pairs (lines, taken two at
// a time; a line of one 0x01 byte stands for a missing text) that go through the attribute
// chain of the plug-in's instance class as NPP_New hands them over, hidden start included.
// Whatever comes, the parameters stay paired, the control data within its bound and the
// "event_" attributes bind only events the plug-in names.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "control-plugin/NPLensObjPlugin.h"
#include "platform/debug/Debug.h"

namespace {

// No window: a hidden start attaches nothing here.
class Plugin final : public CNPLensObjPlugin {
public:
    bool AttachWindow(platform::HWND) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::SetDebugSilent(true);
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += static_cast<char>(data[i]);
        }
    }
    if (lines.size() % 2 != 0) lines.emplace_back();
    std::vector<char*> argn;
    std::vector<char*> argv;
    for (std::size_t i = 0; i + 1 < lines.size() && argn.size() < 32767; i += 2) {
        argn.push_back(lines[i] == "\x01" ? nullptr : lines[i].data());
        argv.push_back(lines[i + 1] == "\x01" ? nullptr : lines[i + 1].data());
    }
    Plugin plugin;
    const NPError result =
        plugin.New(const_cast<char*>("application/x-vantelo-plugin"), NP_EMBED,
                   static_cast<std::int16_t>(argn.size()), argn.data(), argv.data(), nullptr);
    if (result != NPERR_NO_ERROR) std::abort();
    const CNsxParameters& parameters = plugin.parameters();
    if (parameters.names.size() != parameters.values.size() || parameters.count() > argn.size()) {
        std::abort();
    }
    if (plugin.controlData() != nullptr &&
        plugin.controlData()->size() > CNsxOcxPlugin::kMaxControlData) {
        std::abort();
    }
    // The event layer: one map entry per event, each naming a kept handler or none.
    const char* const* events = plugin.GetEventNames();
    std::size_t eventCount = 0;
    while (events[eventCount] != nullptr) ++eventCount;
    if (plugin.eventMap().size() != eventCount) std::abort();
    for (int i = -1; i <= static_cast<int>(eventCount); ++i) {
        const char* handler = plugin.GetEventHandler(i);
        if (handler != nullptr && (i < 0 || i >= static_cast<int>(eventCount))) std::abort();
        if (handler != nullptr && std::strlen(handler) > size) std::abort();
    }
    plugin.Destroy(nullptr);
    return 0;
}
