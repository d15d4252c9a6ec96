#include "platform/com/MemberTable.h"

#include "platform/text/Ascii.h"

namespace platform {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::u16string_view ZeroTerminated(const OLECHAR* text) {
    return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

HRESULT Coerce(const VARIANT& argument, VARTYPE type, Variant& out) {
    if (type == VT_VARIANT) return VariantCopy(&out, &argument);
    if ((type & VT_BYREF) != 0) {
        if (argument.vt != type || argument.bits == 0) return DISP_E_TYPEMISMATCH;
        return VariantCopy(&out, &argument);
    }
    return VariantChangeType(&out, &argument, 0, type);
}

}  // namespace

const Member* MemberTable::Find(DISPID id, MemberKind kind) const {
    for (const Member& member : members_) {
        if (member.id == id && member.kind == kind) return &member;
    }
    return nullptr;
}

std::optional<DISPID> MemberTable::IdOfName(std::string_view name) const {
    for (const Member& member : members_) {
        if (SameName(member.name, name)) return member.id;
    }
    return std::nullopt;
}

HRESULT MemberTable::GetIDsOfNames(const IID& riid, const OLECHAR* const* names,
                                   std::uint32_t count, DISPID* ids) const {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (count == 0) return S_OK;
    if (names == nullptr || ids == nullptr) return E_POINTER;
    for (std::uint32_t i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const std::optional<DISPID> id = IdOfName(Utf8FromUtf16(ZeroTerminated(names[0])));
    ids[0] = id.value_or(DISPID_UNKNOWN);
    return id && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT MemberTable::PrepareCall(DISPID id, const IID& riid, std::uint16_t flags,
                                 const DISPPARAMS* params, MemberCall& call,
                                 std::uint32_t* argError) const {
    call = MemberCall{};
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const Member* member = nullptr;
    if ((flags & DISPATCH_PROPERTYPUT) != 0) {
        member = Find(id, MemberKind::PropertyPut);
    } else {
        if ((flags & DISPATCH_METHOD) != 0) member = Find(id, MemberKind::Method);
        if (member == nullptr && (flags & DISPATCH_PROPERTYGET) != 0) {
            member = Find(id, MemberKind::PropertyGet);
        }
    }
    if (member == nullptr) return DISP_E_MEMBERNOTFOUND;

    const DISPPARAMS none;
    const DISPPARAMS& given = params != nullptr ? *params : none;
    if (given.cArgs > 0 && given.rgvarg == nullptr) return E_POINTER;
    if (given.cNamedArgs > given.cArgs) return E_INVALIDARG;
    if (given.cNamedArgs > 0 && given.rgdispidNamedArgs == nullptr) return E_POINTER;
    if (member->kind == MemberKind::PropertyPut) {
        // The value is the one argument named as the put's.
        if (given.cNamedArgs != 1 || given.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
            return given.cNamedArgs > 1 ? DISP_E_NONAMEDARGS : DISP_E_PARAMNOTOPTIONAL;
        }
    } else if (given.cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    if (given.cArgs != member->parameters.size()) return DISP_E_BADPARAMCOUNT;

    std::vector<Variant> arguments(member->parameters.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        // Parameter i is the i-th from the end of rgvarg.
        const std::size_t slot = given.cArgs - 1 - i;
        const HRESULT coerced = Coerce(given.rgvarg[slot], member->parameters[i], arguments[i]);
        if (Failed(coerced)) {
            if (argError != nullptr) *argError = static_cast<std::uint32_t>(slot);
            return coerced;
        }
    }
    call.member = member;
    call.arguments = std::move(arguments);
    return S_OK;
}

}  // namespace platform
