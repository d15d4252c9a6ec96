#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/Dispatch.h"

namespace platform {

enum class MemberKind : std::uint16_t {
    Method = DISPATCH_METHOD,
    PropertyGet = DISPATCH_PROPERTYGET,
    PropertyPut = DISPATCH_PROPERTYPUT,
};

// One way to call a member. A property readable and writable has two rows with one id and
// name: its get (no parameters, its type as the result) and its put (its type as the one
// parameter). A parameter of VT_VARIANT takes any value as it comes; one with VT_BYREF
// takes only a reference of exactly that type, so the member can write through it.
struct Member {
    DISPID id = DISPID_UNKNOWN;
    std::string name;
    MemberKind kind = MemberKind::Method;
    std::vector<VARTYPE> parameters;
    VARTYPE result = VT_EMPTY;
};

// A call that passed the table's checks: its row and its arguments in declared order,
// each of its declared type.
struct MemberCall {
    const Member* member = nullptr;
    std::vector<Variant> arguments;
};

// The members of a dispatch server, so servers, ambient properties and event sinks answer
// GetIDsOfNames and check Invoke's arguments one way. Callers reach a member by id or by
// name (without regard to ASCII case).
class MemberTable {
public:
    MemberTable() = default;
    explicit MemberTable(std::vector<Member> members) : members_(std::move(members)) {}

    const std::vector<Member>& members() const { return members_; }
    const Member* Find(DISPID id, MemberKind kind) const;
    std::optional<DISPID> IdOfName(std::string_view name) const;

    // IDispatch::GetIDsOfNames: names[0] is a member's name; members have no named
    // parameters, so further names are unknown (DISPID_UNKNOWN). DISP_E_UNKNOWNNAME when any
    // name is unknown.
    HRESULT GetIDsOfNames(const IID& riid, const OLECHAR* const* names, std::uint32_t count,
                          DISPID* ids) const;

    // IDispatch::Invoke's checks. An unknown id, or a kind the member does not have, gives
    // DISP_E_MEMBERNOTFOUND; a put whose value is not named DISPID_PROPERTYPUT
    // DISP_E_PARAMNOTOPTIONAL; other named arguments DISP_E_NONAMEDARGS; a count other than
    // the declared one DISP_E_BADPARAMCOUNT; an argument that cannot be converted the
    // conversion's code (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW) with its index in rgvarg in
    // `argError`. A method call flagged as a get too (as some callers do) finds either.
    HRESULT PrepareCall(DISPID id, const IID& riid, std::uint16_t flags, const DISPPARAMS* params,
                        MemberCall& call, std::uint32_t* argError) const;

private:
    std::vector<Member> members_;
};

}  // namespace platform
