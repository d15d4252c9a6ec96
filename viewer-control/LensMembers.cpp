#include "viewer-control/LensMembers.h"

#include <vector>

using namespace platform;

VARTYPE VariantTypeOf(scripting::ValueType type) {
    switch (type) {
        case scripting::ValueType::Int:
            return VT_I4;
        case scripting::ValueType::Float:
            return VT_R4;
        case scripting::ValueType::String:
            return VT_BSTR;
        case scripting::ValueType::FloatOut:
            return VT_R4 | VT_BYREF;
        case scripting::ValueType::None:
            break;
    }
    return VT_EMPTY;
}

namespace {

MemberKind KindOf(scripting::MemberKind kind) {
    switch (kind) {
        case scripting::MemberKind::Get:
            return MemberKind::PropertyGet;
        case scripting::MemberKind::Put:
            return MemberKind::PropertyPut;
        case scripting::MemberKind::Method:
            break;
    }
    return MemberKind::Method;
}

std::vector<Member> Rows() {
    // OLE_COLOR travels as a four-byte integer.
    std::vector<Member> rows{
        {scripting::kDispAboutBox, "AboutBox", MemberKind::Method, {}, VT_EMPTY},
        {scripting::kDispBackColor, "BackColor", MemberKind::PropertyPut, {VT_I4}, VT_EMPTY},
        {scripting::kDispBackColor, "BackColor", MemberKind::PropertyGet, {}, VT_I4},
        {kDispReadyState, "ReadyState", MemberKind::PropertyGet, {}, VT_I4},
    };
    for (const scripting::Entry& entry : scripting::Entries()) {
        Member row{entry.dispid,
                   std::string(entry.name),
                   KindOf(entry.kind),
                   {},
                   VariantTypeOf(entry.result)};
        for (const scripting::ValueType type : entry.Parameters()) {
            row.parameters.push_back(VariantTypeOf(type));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

const MemberTable& LensMembers() {
    static const MemberTable table(Rows());
    return table;
}
