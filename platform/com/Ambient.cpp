#include "platform/com/Ambient.h"

namespace platform {
namespace {

struct AmbientDefault {
    DISPID id;
    const char* name;
    VARTYPE type;
    std::int32_t value;
};

constexpr AmbientDefault kDefaults[] = {
    {DISPID_AMBIENT_USERMODE, "UserMode", VT_BOOL, 1},
    {DISPID_AMBIENT_UIDEAD, "UIDead", VT_BOOL, 0},
    {DISPID_AMBIENT_SHOWGRABHANDLES, "ShowGrabHandles", VT_BOOL, 0},
    {DISPID_AMBIENT_SHOWHATCHING, "ShowHatching", VT_BOOL, 0},
    {DISPID_AMBIENT_DISPLAYASDEFAULT, "DisplayAsDefault", VT_BOOL, 0},
    {DISPID_AMBIENT_AUTOCLIP, "AutoClip", VT_BOOL, 1},
    // Containers here neither reflect messages nor route mnemonics.
    {DISPID_AMBIENT_MESSAGEREFLECT, "MessageReflect", VT_BOOL, 0},
    {DISPID_AMBIENT_SUPPORTSMNEMONICS, "SupportsMnemonics", VT_BOOL, 0},
    {DISPID_AMBIENT_LOCALEID, "LocaleID", VT_I4, 1033},
};

}  // namespace

const MemberTable& AmbientMembers() {
    static const MemberTable table = [] {
        std::vector<Member> members;
        for (const AmbientDefault& entry : kDefaults) {
            members.push_back(
                Member{entry.id, entry.name, MemberKind::PropertyGet, {}, entry.type});
        }
        return MemberTable(std::move(members));
    }();
    return table;
}

bool DefaultAmbientProperty(DISPID id, VARIANT* value) {
    for (const AmbientDefault& entry : kDefaults) {
        if (entry.id != id) continue;
        if (value != nullptr) {
            Variant v =
                entry.type == VT_BOOL ? Variant::Bool(entry.value != 0) : Variant::I4(entry.value);
            VariantClear(value);
            *value = v.Detach();
        }
        return true;
    }
    return false;
}

}  // namespace platform
