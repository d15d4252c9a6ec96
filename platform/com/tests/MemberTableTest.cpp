#include "platform/com/MemberTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace platform;

const MemberTable& Table() {
    static const MemberTable table({
        {1, "Value", MemberKind::PropertyGet, {}, VT_I4},
        {1, "Value", MemberKind::PropertyPut, {VT_I4}, VT_EMPTY},
        {2, "MoveTo", MemberKind::Method, {VT_R4, VT_I2}, VT_EMPTY},
        {3, "GetPosition", MemberKind::Method, {VT_R4 | VT_BYREF}, VT_EMPTY},
        {4, "Anything", MemberKind::Method, {VT_VARIANT}, VT_EMPTY},
    });
    return table;
}

TEST(MemberTable, NamesMatchInAnyCaseAndUnknownNamesAreSaid) {
    for (const char16_t* name : {u"Value", u"value", u"VALUE", u"vAlUe"}) {
        const OLECHAR* names[] = {name};
        DISPID id = 0;
        EXPECT_EQ(Table().GetIDsOfNames(IID_NULL, names, 1, &id), S_OK);
        EXPECT_EQ(id, 1);
    }
    const OLECHAR* unknown[] = {u"Valu"};
    DISPID id = 0;
    EXPECT_EQ(Table().GetIDsOfNames(IID_NULL, unknown, 1, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    // Members have no named parameters.
    const OLECHAR* withParameter[] = {u"moveto", u"x"};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(Table().GetIDsOfNames(IID_NULL, withParameter, 2, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(Table().GetIDsOfNames(IID_IDispatch, unknown, 1, &id), DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(Table().IdOfName("getPOSITION"), 3);
}

TEST(MemberTable, CallsAreCheckedForMemberKindCountNamesAndTypes) {
    float out = 0;
    struct Case {
        const char* what;
        DISPID id;
        std::uint16_t flags;
        std::vector<Variant> arguments;  // as rgvarg: last first
        bool namedPut;
        HRESULT hr;
        std::uint32_t argError;
    };
    const Case cases[] = {
        {"get", 1, DISPATCH_PROPERTYGET, {}, false, S_OK, 99},
        {"put", 1, DISPATCH_PROPERTYPUT, {Variant::Text("12")}, true, S_OK, 99},
        {"method as get too",
         2,
         DISPATCH_METHOD | DISPATCH_PROPERTYGET,
         {Variant::I4(3), Variant::R8(1.5)},
         false,
         S_OK,
         99},
        {"unknown id", 77, DISPATCH_METHOD, {}, false, DISP_E_MEMBERNOTFOUND, 99},
        {"property as method", 1, DISPATCH_METHOD, {}, false, DISP_E_MEMBERNOTFOUND, 99},
        {"method as put",
         2,
         DISPATCH_PROPERTYPUT,
         {Variant::I4(1)},
         true,
         DISP_E_MEMBERNOTFOUND,
         99},
        {"put without its name",
         1,
         DISPATCH_PROPERTYPUT,
         {Variant::I4(1)},
         false,
         DISP_E_PARAMNOTOPTIONAL,
         99},
        {"named method argument",
         2,
         DISPATCH_METHOD,
         {Variant::I4(3), Variant::R8(1.5)},
         true,
         DISP_E_NONAMEDARGS,
         99},
        {"too few", 2, DISPATCH_METHOD, {Variant::R8(1.5)}, false, DISP_E_BADPARAMCOUNT, 99},
        {"too many", 1, DISPATCH_PROPERTYGET, {Variant::I4(1)}, false, DISP_E_BADPARAMCOUNT, 99},
        // The first parameter is the last in rgvarg.
        {"text for a float",
         2,
         DISPATCH_METHOD,
         {Variant::I4(3), Variant::Text("abc")},
         false,
         DISP_E_TYPEMISMATCH,
         1},
        {"too large a short",
         2,
         DISPATCH_METHOD,
         {Variant::I4(70000), Variant::R4(1)},
         false,
         DISP_E_OVERFLOW,
         0},
        {"value for a reference",
         3,
         DISPATCH_METHOD,
         {Variant::R4(1)},
         false,
         DISP_E_TYPEMISMATCH,
         0},
        {"reference", 3, DISPATCH_METHOD, {Variant::R4Ref(&out)}, false, S_OK, 99},
        {"any value", 4, DISPATCH_METHOD, {Variant::Text("x")}, false, S_OK, 99},
    };
    for (const Case& c : cases) {
        std::vector<Variant> arguments = c.arguments;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params;
        params.rgvarg = arguments.empty() ? nullptr : arguments.data();
        params.cArgs = static_cast<std::uint32_t>(arguments.size());
        if (c.namedPut) {
            params.rgdispidNamedArgs = &named;
            params.cNamedArgs = 1;
        }
        MemberCall call;
        std::uint32_t argError = 99;
        EXPECT_EQ(Table().PrepareCall(c.id, IID_NULL, c.flags, &params, call, &argError), c.hr)
            << c.what;
        EXPECT_EQ(argError, c.argError) << c.what;
        EXPECT_EQ(call.member != nullptr, Succeeded(c.hr)) << c.what;
    }
}

TEST(MemberTable, ArgumentsComeBackInDeclaredOrderAndTypes) {
    std::vector<Variant> arguments{Variant::Text("4"), Variant::Text("1.5")};
    DISPPARAMS params;
    params.rgvarg = arguments.data();
    params.cArgs = 2;
    MemberCall call;
    ASSERT_EQ(Table().PrepareCall(2, IID_NULL, DISPATCH_METHOD, &params, call, nullptr), S_OK);
    ASSERT_EQ(call.arguments.size(), 2u);
    EXPECT_EQ(call.arguments[0].vt, VT_R4);
    EXPECT_EQ(call.arguments[0].fltVal, 1.5f);
    EXPECT_EQ(call.arguments[1].vt, VT_I2);
    EXPECT_EQ(call.arguments[1].iVal, 4);
    EXPECT_EQ(Table().PrepareCall(1, IID_IDispatch, DISPATCH_PROPERTYGET, nullptr, call, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

}  // namespace
