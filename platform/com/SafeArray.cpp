#include "platform/com/SafeArray.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/Dispatch.h"

namespace platform {
namespace {

// Elements the array owns and frees with itself.
bool OwnsElements(VARTYPE type) {
    return type == VT_BSTR || type == VT_VARIANT || type == VT_DISPATCH || type == VT_UNKNOWN;
}

void ClearElements(SAFEARRAY* array) {
    if (array->pvData == nullptr || !OwnsElements(array->vt)) return;
    const std::uint64_t count = SafeArrayElementCount(array);
    for (std::uint64_t i = 0; i < count; ++i) {
        switch (array->vt) {
            case VT_BSTR: {
                BSTR& text = static_cast<BSTR*>(array->pvData)[i];
                SysFreeString(text);
                text = nullptr;
                break;
            }
            case VT_VARIANT:
                VariantClear(&static_cast<VARIANT*>(array->pvData)[i]);
                break;
            default: {
                IUnknown*& object = static_cast<IUnknown**>(array->pvData)[i];
                if (object != nullptr) object->Release();
                object = nullptr;
                break;
            }
        }
    }
}

// Copies one element of `type` from `from` into the zeroed `to`.
HRESULT CopyElement(VARTYPE type, std::uint32_t size, const void* from, void* to) {
    switch (type) {
        case VT_BSTR: {
            const BSTR text = *static_cast<const BSTR*>(from);
            if (text == nullptr) return S_OK;
            BSTR copy = SysAllocStringLen(text, SysStringLen(text));
            if (copy == nullptr) return E_OUTOFMEMORY;
            *static_cast<BSTR*>(to) = copy;
            return S_OK;
        }
        case VT_VARIANT:
            return VariantCopy(static_cast<VARIANT*>(to), static_cast<const VARIANT*>(from));
        case VT_DISPATCH:
        case VT_UNKNOWN: {
            IUnknown* object = *static_cast<IUnknown* const*>(from);
            if (object != nullptr) object->AddRef();
            *static_cast<IUnknown**>(to) = object;
            return S_OK;
        }
        default:
            std::memcpy(to, from, size);
            return S_OK;
    }
}

// The element's offset in elements; false outside the bounds.
bool Offset(const SAFEARRAY* array, const std::int32_t* indices, std::uint64_t& offset) {
    if (array == nullptr || indices == nullptr) return false;
    offset = 0;
    std::uint64_t stride = 1;
    for (std::size_t d = 0; d < array->rgsabound.size(); ++d) {
        const SAFEARRAYBOUND& bound = array->rgsabound[d];
        const std::int64_t at =
            static_cast<std::int64_t>(indices[d]) - static_cast<std::int64_t>(bound.lLbound);
        if (at < 0 || at >= static_cast<std::int64_t>(bound.cElements)) return false;
        offset += static_cast<std::uint64_t>(at) * stride;
        stride *= bound.cElements;
    }
    return true;
}

}  // namespace

std::uint32_t SafeArrayElementSize(VARTYPE type) {
    switch (type) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_R4:
        case VT_ERROR:
            return 4;
        case VT_R8:
        case VT_CY:
        case VT_DATE:
            return 8;
        case VT_BSTR:
            return sizeof(BSTR);
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return sizeof(IUnknown*);
        case VT_DECIMAL:
            return sizeof(DECIMAL);
        case VT_VARIANT:
            return sizeof(VARIANT);
        default:
            return 0;
    }
}

SAFEARRAY* SafeArrayCreate(VARTYPE type, std::uint32_t dims, const SAFEARRAYBOUND* bounds) {
    const std::uint32_t size = SafeArrayElementSize(type);
    if (size == 0 || dims == 0 || dims > 0xFFFF || bounds == nullptr) return nullptr;
    std::uint64_t count = 1;
    constexpr std::uint64_t kMaxBytes = std::numeric_limits<std::uint32_t>::max();
    for (std::uint32_t d = 0; d < dims; ++d) {
        count *= bounds[d].cElements;
        if (count * size > kMaxBytes) return nullptr;
    }
    auto* array = new (std::nothrow) SAFEARRAY;
    if (array == nullptr) return nullptr;
    array->cDims = static_cast<std::uint16_t>(dims);
    array->cbElements = size;
    array->vt = type;
    array->rgsabound.assign(bounds, bounds + dims);
    if (count > 0) {
        array->pvData = std::calloc(static_cast<std::size_t>(count), size);
        if (array->pvData == nullptr) {
            delete array;
            return nullptr;
        }
    }
    return array;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE type, std::int32_t lowerBound, std::uint32_t count) {
    const SAFEARRAYBOUND bound{count, lowerBound};
    return SafeArrayCreate(type, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (array == nullptr) return S_OK;
    if (array->cLocks != 0) return DISP_E_ARRAYISLOCKED;
    ClearElements(array);
    std::free(array->pvData);
    delete array;
    return S_OK;
}

HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** copy) {
    if (copy == nullptr) return E_POINTER;
    *copy = nullptr;
    if (array == nullptr) return S_OK;
    SAFEARRAY* made = SafeArrayCreate(array->vt, array->cDims, array->rgsabound.data());
    if (made == nullptr) return E_OUTOFMEMORY;
    const std::uint64_t count = SafeArrayElementCount(array);
    for (std::uint64_t i = 0; i < count; ++i) {
        const HRESULT hr =
            CopyElement(array->vt, array->cbElements,
                        static_cast<const char*>(array->pvData) + i * array->cbElements,
                        static_cast<char*>(made->pvData) + i * array->cbElements);
        if (Failed(hr)) {
            SafeArrayDestroy(made);
            return hr;
        }
    }
    *copy = made;
    return S_OK;
}

std::uint32_t SafeArrayGetDim(const SAFEARRAY* array) {
    return array != nullptr ? array->cDims : 0;
}

std::uint32_t SafeArrayGetElemsize(const SAFEARRAY* array) {
    return array != nullptr ? array->cbElements : 0;
}

HRESULT SafeArrayGetVartype(const SAFEARRAY* array, VARTYPE* type) {
    if (array == nullptr || type == nullptr) return E_INVALIDARG;
    *type = array->vt;
    return S_OK;
}

HRESULT SafeArrayGetLBound(const SAFEARRAY* array, std::uint32_t dim, std::int32_t* bound) {
    if (array == nullptr || bound == nullptr) return E_INVALIDARG;
    if (dim == 0 || dim > array->rgsabound.size()) return DISP_E_BADINDEX;
    *bound = array->rgsabound[dim - 1].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(const SAFEARRAY* array, std::uint32_t dim, std::int32_t* bound) {
    if (array == nullptr || bound == nullptr) return E_INVALIDARG;
    if (dim == 0 || dim > array->rgsabound.size()) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = array->rgsabound[dim - 1];
    *bound = static_cast<std::int32_t>(static_cast<std::int64_t>(b.lLbound) +
                                       static_cast<std::int64_t>(b.cElements) - 1);
    return S_OK;
}

std::uint64_t SafeArrayElementCount(const SAFEARRAY* array) {
    if (array == nullptr || array->rgsabound.empty()) return 0;
    std::uint64_t count = 1;
    for (const SAFEARRAYBOUND& bound : array->rgsabound) count *= bound.cElements;
    return count;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (array == nullptr || data == nullptr) return E_INVALIDARG;
    ++array->cLocks;
    *data = array->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
    if (array == nullptr) return E_INVALIDARG;
    if (array->cLocks == 0) return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, const std::int32_t* indices, void* value) {
    if (array == nullptr || value == nullptr) return E_INVALIDARG;
    std::uint64_t offset = 0;
    if (!Offset(array, indices, offset)) return DISP_E_BADINDEX;
    std::memset(value, 0, array->cbElements);
    return CopyElement(array->vt, array->cbElements,
                       static_cast<const char*>(array->pvData) + offset * array->cbElements, value);
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, const std::int32_t* indices, const void* value) {
    if (array == nullptr || value == nullptr) return E_INVALIDARG;
    std::uint64_t offset = 0;
    if (!Offset(array, indices, offset)) return DISP_E_BADINDEX;
    void* at = static_cast<char*>(array->pvData) + offset * array->cbElements;
    const void* from = value;
    // Texts and interfaces are passed as themselves.
    if (array->vt == VT_BSTR || array->vt == VT_DISPATCH || array->vt == VT_UNKNOWN) from = &value;
    char fresh[sizeof(VARIANT) > sizeof(DECIMAL) ? sizeof(VARIANT) : sizeof(DECIMAL)] = {};
    const HRESULT hr = CopyElement(array->vt, array->cbElements, from, fresh);
    if (Failed(hr)) return hr;
    // The old element goes only once its copy exists.
    SAFEARRAY one;
    one.vt = array->vt;
    one.cbElements = array->cbElements;
    one.rgsabound = {SAFEARRAYBOUND{1, 0}};
    one.pvData = at;
    ClearElements(&one);
    std::memcpy(at, fresh, array->cbElements);
    return S_OK;
}

}  // namespace platform
