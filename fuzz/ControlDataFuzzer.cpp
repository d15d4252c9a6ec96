// NPLensObj's control data from an attribute: any bytes as the "param_controldata" text,
// then the check of the decoded data's class id that creation makes. The decoded data stays
// within its bound, and a control that cannot be made leaves no data of another class.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "control-plugin/NPLensObjPlugin.h"
#include "platform/debug/Debug.h"

namespace {

class Plugin final : public CNPLensObjPlugin {};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::SetDebugSilent(true);
    const std::string text(reinterpret_cast<const char*>(data), size);
    Plugin plugin;
    plugin.LoadControlData(text.c_str());
    if (plugin.controlData() != nullptr &&
        plugin.controlData()->size() > CNsxOcxPlugin::kMaxControlData) {
        std::abort();
    }
    // Without a window no control is made, but the data is checked first.
    plugin.CreateControl();
    if (plugin.controlData() != nullptr && plugin.controlData()->size() < 16) std::abort();
    if (plugin.GetControlDispatch() != nullptr) std::abort();
    return 0;
}
