#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/com/Dispatch.h"
#include "platform/text/Text.h"
#include "testing/CommaLocale.h"

namespace {

using namespace platform;

constexpr VARTYPE kScalars[] = {VT_I2, VT_I4, VT_R4, VT_R8, VT_BOOL, VT_BSTR};

// `number` as a value of `type`; a boolean holds whether it is non-zero.
Variant Sample(VARTYPE type, double number) {
    switch (type) {
        case VT_I2:
            return Variant::I2(static_cast<std::int16_t>(number));
        case VT_I4:
            return Variant::I4(static_cast<std::int32_t>(number));
        case VT_R4:
            return Variant::R4(static_cast<float>(number));
        case VT_R8:
            return Variant::R8(number);
        case VT_BOOL:
            return Variant::Bool(number != 0);
        default:
            return Variant::Text(FormatC("%g", number));
    }
}

std::string Describe(const VARIANT& v) {
    switch (v.vt) {
        case VT_EMPTY:
            return "empty";
        case VT_I2:
            return FormatC("I2 %d", v.iVal);
        case VT_I4:
            return FormatC("I4 %d", v.lVal);
        case VT_R4:
            return FormatC("R4 %.9g", static_cast<double>(v.fltVal));
        case VT_R8:
            return FormatC("R8 %.17g", v.dblVal);
        case VT_BOOL:
            return FormatC("BOOL %d", v.boolVal);
        case VT_ERROR:
            return FormatC("ERROR %08X", static_cast<unsigned>(v.scode));
        case VT_BSTR:
            return "BSTR \"" + Utf8FromBstr(v.bstrVal) + "\"";
        default:
            return FormatC("type %d", v.vt);
    }
}

TEST(Variant, EveryPairOfScalarTypesConvertsBothWays) {
    for (const double number : {3.0, 0.0, -12.0}) {
        for (const VARTYPE from : kScalars) {
            for (const VARTYPE to : kScalars) {
                const Variant source = Sample(from, number);
                // A boolean reads as -1 (true) or 0.
                const double carried = from == VT_BOOL ? (number != 0 ? -1.0 : 0.0) : number;
                const Variant expected = Sample(to, carried);
                Variant out;
                ASSERT_EQ(VariantChangeType(&out, &source, 0, to), S_OK)
                    << Describe(source) << " to " << to;
                EXPECT_EQ(Describe(out), Describe(expected)) << Describe(source) << " to " << to;
            }
        }
    }
}

TEST(Variant, ConversionsRoundLimitAndRefuseAsAutomationDoes) {
    struct Case {
        Variant source;
        VARTYPE to;
        HRESULT hr;
        std::string expected;  // Describe of the result when it succeeds
    };
    const Case cases[] = {
        {Variant::Text("1.5"), VT_I4, S_OK, "I4 2"},
        {Variant::Text("2.5"), VT_I4, S_OK, "I4 2"},  // half to even
        {Variant::R8(-0.5), VT_I2, S_OK, "I2 0"},
        {Variant::R4(3.5f), VT_I2, S_OK, "I2 4"},
        {Variant::Text(" 42 "), VT_I2, S_OK, "I2 42"},
        {Variant::Text("1.5"), VT_R4, S_OK, "R4 1.5"},
        {Variant::Text("-2.5E2"), VT_R8, S_OK, "R8 -250"},
        {Variant::Text("True"), VT_BOOL, S_OK, "BOOL -1"},
        {Variant::Text("false"), VT_BOOL, S_OK, "BOOL 0"},
        {Variant::R8(0.1), VT_BSTR, S_OK, "BSTR \"0.1\""},
        {Variant::R4(0.1f), VT_BSTR, S_OK, "BSTR \"0.1\""},
        {Variant::R8(1e20), VT_BSTR, S_OK, "BSTR \"1E+20\""},
        {Variant(), VT_I4, S_OK, "I4 0"},
        {Variant(), VT_BSTR, S_OK, "BSTR \"\""},
        {Variant::Error(E_FAIL), VT_I4, S_OK, "I4 -2147467259"},
        {Variant::I4(static_cast<std::int32_t>(E_FAIL)), VT_ERROR, S_OK, "ERROR 80004005"},
        {Variant::Text("abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Variant::Text(""), VT_R8, DISP_E_TYPEMISMATCH, ""},
        {Variant::Text("1,5"), VT_R8, DISP_E_TYPEMISMATCH, ""},
        {Variant::Text("inf"), VT_R8, DISP_E_TYPEMISMATCH, ""},
        {Variant::Text("maybe"), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
        {Variant::Text("1e999"), VT_R8, DISP_E_OVERFLOW, ""},
        {Variant::Text("40000"), VT_I2, DISP_E_OVERFLOW, ""},
        {Variant::I4(-40000), VT_I2, DISP_E_OVERFLOW, ""},
        {Variant::R8(3e9), VT_I4, DISP_E_OVERFLOW, ""},
        {Variant::R8(1e39), VT_R4, DISP_E_OVERFLOW, ""},
        {Variant::R8(std::nan("")), VT_I4, DISP_E_OVERFLOW, ""},
        {Variant::Error(E_FAIL), VT_BSTR, DISP_E_TYPEMISMATCH, ""},
        {Variant::I4(1), VT_VARIANT, DISP_E_BADVARTYPE, ""},
        {Variant::I4(1), VT_R4 | VT_BYREF, DISP_E_BADVARTYPE, ""},
    };
    for (const Case& c : cases) {
        Variant out = Variant::I4(99);
        EXPECT_EQ(VariantChangeType(&out, &c.source, 0, c.to), c.hr) << Describe(c.source);
        // A failed conversion leaves the destination as it was.
        EXPECT_EQ(Describe(out), Succeeded(c.hr) ? c.expected : "I4 99") << Describe(c.source);
    }
}

TEST(Variant, NumbersAreTextInTheCLocaleWhateverTheProcessUses) {
    CommaLocale comma;
    const Variant text = Variant::Text("1.5");
    Variant out;
    ASSERT_EQ(VariantChangeTypeEx(&out, &text, 1031, 0, VT_R8), S_OK);  // German
    EXPECT_EQ(out.dblVal, 1.5);
    const Variant number = Variant::R8(1.5);
    ASSERT_EQ(VariantChangeTypeEx(&out, &number, 1031, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Utf8FromBstr(out.bstrVal), "1.5");
    const Variant commaText = Variant::Text("1,5");
    EXPECT_EQ(VariantChangeTypeEx(&out, &commaText, 1031, 0, VT_R8), DISP_E_TYPEMISMATCH);
}

TEST(Variant, ReferencesAreFollowedAndConversionsMayBeInPlace) {
    float f = 0.25f;
    const Variant ref = Variant::R4Ref(&f);
    Variant out;
    ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_R8), S_OK);
    EXPECT_EQ(out.dblVal, 0.25);

    Variant inner = Variant::Text("12");
    Variant wrapped;
    wrapped.vt = VT_VARIANT | VT_BYREF;
    wrapped.pvarVal = &inner;
    ASSERT_EQ(VariantChangeType(&out, &wrapped, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 12);
    // Clearing a reference frees nothing behind it.
    EXPECT_EQ(VariantClear(&wrapped), S_OK);
    EXPECT_EQ(Utf8FromBstr(inner.bstrVal), "12");

    Variant self = Variant::Text("-7");
    ASSERT_EQ(VariantChangeType(&self, &self, 0, VT_I2), S_OK);
    EXPECT_EQ(Describe(self), "I2 -7");

    Variant copy(Variant::Text("copy me"));
    const Variant second = copy;
    EXPECT_NE(second.bstrVal, copy.bstrVal);
    EXPECT_EQ(Utf8FromBstr(second.bstrVal), "copy me");
}

TEST(Bstr, RoundTripsUtf8WithZerosAndCharactersBeyondTheBasicPlane) {
    const std::string text = std::string("a\0b", 3) + "\xF0\x9F\x98\x80" + "\xC3\xA9";
    Bstr bstr(text);
    ASSERT_NE(bstr.get(), nullptr);
    EXPECT_EQ(SysStringLen(bstr.get()), 6u);  // a, 0, b, a surrogate pair, e-acute
    EXPECT_EQ(bstr.get()[6], 0);
    EXPECT_EQ(bstr.Utf8(), text);

    const Variant copied = Variant(Variant::Text(text));
    EXPECT_EQ(Utf8FromBstr(copied.bstrVal), text);

    // Null is the empty text; broken UTF-8 and lone surrogates become U+FFFD.
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(Utf8FromBstr(nullptr), "");
    EXPECT_EQ(Bstr("x\xC3").Utf8(), "x\xEF\xBF\xBD");
    EXPECT_EQ(Bstr("\xED\xA0\x80").Utf8(), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    const OLECHAR lone[] = {u'a', 0xD800, 0};
    Bstr surrogate;
    *surrogate.Out() = SysAllocString(lone);
    EXPECT_EQ(surrogate.Utf8(), "a\xEF\xBF\xBD");
}

}  // namespace
