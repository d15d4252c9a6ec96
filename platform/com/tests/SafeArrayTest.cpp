#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "platform/com/Dispatch.h"
#include "platform/com/SafeArray.h"

namespace {

using namespace platform;

// A 2 x 3 array of VT_I4 from bounds -1 and 4, element (i, j) = 10 * i + j.
Variant TwoByThree() {
    const SAFEARRAYBOUND bounds[] = {{2, -1}, {3, 4}};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
    for (std::int32_t i = -1; i <= 0; ++i) {
        for (std::int32_t j = 4; j <= 6; ++j) {
            const std::int32_t at[] = {i, j};
            const std::int32_t value = 10 * i + j;
            EXPECT_EQ(SafeArrayPutElement(array, at, &value), S_OK);
        }
    }
    Variant v;
    v.vt = VT_ARRAY | VT_I4;
    v.parray = array;
    return v;
}

TEST(SafeArray, AnArrayOfAnyDimensionsChangesItsElementTypeKeepingItsShape) {
    Variant v = TwoByThree();
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_ARRAY | VT_R4), S_OK);
    ASSERT_EQ(v.vt, VT_ARRAY | VT_R4);
    EXPECT_EQ(SafeArrayGetDim(v.parray), 2u);
    std::int32_t low = 0;
    std::int32_t high = 0;
    EXPECT_EQ(SafeArrayGetLBound(v.parray, 2, &low), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(v.parray, 2, &high), S_OK);
    EXPECT_EQ(low, 4);
    EXPECT_EQ(high, 6);
    EXPECT_EQ(SafeArrayGetLBound(v.parray, 3, &low), DISP_E_BADINDEX);
    const std::int32_t at[] = {0, 6};
    float value = 0.0f;
    EXPECT_EQ(SafeArrayGetElement(v.parray, at, &value), S_OK);
    EXPECT_EQ(value, 6.0f);
    const std::int32_t outside[] = {1, 6};
    EXPECT_EQ(SafeArrayGetElement(v.parray, outside, &value), DISP_E_BADINDEX);

    // To text and to VARIANT elements, copies that own their texts.
    Variant texts;
    ASSERT_EQ(VariantChangeType(&texts, &v, 0, VT_ARRAY | VT_BSTR), S_OK);
    const std::int32_t first[] = {-1, 4};
    BSTR text = nullptr;
    EXPECT_EQ(SafeArrayGetElement(texts.parray, first, &text), S_OK);
    EXPECT_EQ(Utf8FromBstr(text), "-6");
    SysFreeString(text);
    Variant variants;
    ASSERT_EQ(VariantChangeType(&variants, &texts, 0, VT_ARRAY | VT_VARIANT), S_OK);
    Variant copy(variants);
    Variant element;
    EXPECT_EQ(SafeArrayGetElement(copy.parray, first, &element), S_OK);
    EXPECT_EQ(element.vt, VT_BSTR);
    EXPECT_EQ(Utf8FromBstr(element.bstrVal), "-6");
}

TEST(SafeArray, AFailedElementLeavesTheTargetAsItWas) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    EXPECT_EQ(SafeArrayPutElement(array, std::array<std::int32_t, 1>{0}.data(), Bstr("1.5").get()),
              S_OK);
    EXPECT_EQ(SafeArrayPutElement(array, std::array<std::int32_t, 1>{1}.data(), Bstr("x").get()),
              S_OK);
    Variant v;
    v.vt = VT_ARRAY | VT_BSTR;
    v.parray = array;
    EXPECT_EQ(VariantChangeType(&v, &v, 0, VT_ARRAY | VT_R8), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(v.vt, VT_ARRAY | VT_BSTR);
    EXPECT_EQ(v.parray, array);
    // An array is no scalar, and a scalar no array.
    Variant number = Variant::I4(3);
    EXPECT_EQ(VariantChangeType(&number, &v, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&v, &number, 0, VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH);
    // A locked array is not freed under its user.
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    // Sizes past memory give no array.
    const SAFEARRAYBOUND huge[] = {{0x10000, 0}, {0x10000, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, huge), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, huge), nullptr);
}

TEST(SafeArray, BytesDatesCurrencyAndDecimalsConvertAsNumbers) {
    Variant v = Variant::I4(200);
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_UI1), S_OK);
    EXPECT_EQ(v.bVal, 200);
    Variant over = Variant::I4(256);
    EXPECT_EQ(VariantChangeType(&over, &over, 0, VT_UI1), DISP_E_OVERFLOW);

    Variant money = Variant::R8(-12.34567);
    ASSERT_EQ(VariantChangeType(&money, &money, 0, VT_CY), S_OK);
    EXPECT_EQ(money.cyVal.int64, -123457);
    ASSERT_EQ(VariantChangeType(&money, &money, 0, VT_R8), S_OK);
    EXPECT_DOUBLE_EQ(money.dblVal, -12.3457);

    Variant decimal = Variant::R8(-0.1);
    ASSERT_EQ(VariantChangeType(&decimal, &decimal, 0, VT_DECIMAL), S_OK);
    EXPECT_EQ(decimal.vt, VT_DECIMAL);
    const DECIMAL number = GetDecimal(decimal);
    EXPECT_EQ(number.sign, DECIMAL_NEG);
    EXPECT_EQ(DecimalToDouble(number), -0.1);
    Variant copy(decimal);
    ASSERT_EQ(VariantChangeType(&copy, &copy, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Utf8FromBstr(copy.bstrVal), "-0.1");
    Variant huge = Variant::R8(1e30);
    EXPECT_EQ(VariantChangeType(&huge, &huge, 0, VT_DECIMAL), DISP_E_OVERFLOW);

    Variant date;
    date.vt = VT_DATE;
    date.date = 45000.5;
    ASSERT_EQ(VariantChangeType(&date, &date, 0, VT_R8), S_OK);
    EXPECT_EQ(date.dblVal, 45000.5);
}

}  // namespace
