#pragma once

#include <cstdint>
#include <vector>

#include "platform/com/Variant.h"

namespace platform {

// One dimension: how many elements and the index of the first.
struct SAFEARRAYBOUND {
    std::uint32_t cElements = 0;
    std::int32_t lLbound = 0;
};

// An automation array of any number of dimensions, its elements one block: the first
// dimension varies fastest. Arrays of BSTR, VARIANT and interfaces own their elements. Made
// and freed only through the functions below.
struct SAFEARRAY {
    std::uint16_t cDims = 0;
    std::uint16_t fFeatures = 0;
    std::uint32_t cbElements = 0;
    std::uint32_t cLocks = 0;
    void* pvData = nullptr;
    VARTYPE vt = VT_EMPTY;                  // the element type
    std::vector<SAFEARRAYBOUND> rgsabound;  // dimension 1 first
};

// The size of one element of that type; 0 for a type no array holds.
std::uint32_t SafeArrayElementSize(VARTYPE type);
// Null for an element type no array holds, no dimensions, or more elements than memory
// holds. Elements start zeroed (empty VARIANTs, null texts).
SAFEARRAY* SafeArrayCreate(VARTYPE type, std::uint32_t dims, const SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE type, std::int32_t lowerBound, std::uint32_t count);
// Frees the elements it owns and the array; E_UNEXPECTED while it is locked.
HRESULT SafeArrayDestroy(SAFEARRAY* array);
// A copy owning copies of its elements.
HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** copy);
std::uint32_t SafeArrayGetDim(const SAFEARRAY* array);
std::uint32_t SafeArrayGetElemsize(const SAFEARRAY* array);
HRESULT SafeArrayGetVartype(const SAFEARRAY* array, VARTYPE* type);
// `dim` counts from 1. DISP_E_BADINDEX for a dimension the array does not have.
HRESULT SafeArrayGetLBound(const SAFEARRAY* array, std::uint32_t dim, std::int32_t* bound);
HRESULT SafeArrayGetUBound(const SAFEARRAY* array, std::uint32_t dim, std::int32_t* bound);
// The number of elements over all dimensions.
std::uint64_t SafeArrayElementCount(const SAFEARRAY* array);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
// `indices` has one index per dimension, dimension 1 first; DISP_E_BADINDEX outside the
// bounds. Get gives a copy the caller owns; Put stores a copy of *value (for BSTR and
// interface elements, value is the BSTR or the pointer itself, not its address).
HRESULT SafeArrayGetElement(SAFEARRAY* array, const std::int32_t* indices, void* value);
HRESULT SafeArrayPutElement(SAFEARRAY* array, const std::int32_t* indices, const void* value);

constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);

}  // namespace platform
