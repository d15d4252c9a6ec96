#include "platform/com/InvokeHelper.h"

#include <vector>

namespace platform {
namespace {

VARTYPE ResultType(const InvokeResult& result) {
    static constexpr VARTYPE kTypes[] = {VT_EMPTY, VT_I2,   VT_I4,      VT_R4,      VT_R8,
                                         VT_BOOL,  VT_BSTR, VT_VARIANT, VT_DISPATCH};
    return kTypes[result.index()];
}

[[noreturn]] void ThrowException(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
    DispatchError error(info.wCode, Utf8FromBstr(info.bstrDescription), info.scode,
                        Utf8FromBstr(info.bstrSource), Utf8FromBstr(info.bstrHelpFile),
                        info.dwHelpContext);
    ClearExcepInfo(&info);
    throw error;
}

void Deliver(Variant& value, InvokeResult& result) {
    if (Variant** whole = std::get_if<Variant*>(&result)) {
        **whole = std::move(value);
        return;
    }
    const HRESULT converted = VariantChangeType(&value, &value, 0, ResultType(result));
    if (Failed(converted)) throw OleError(converted);
    if (auto** i2 = std::get_if<std::int16_t*>(&result)) {
        **i2 = value.iVal;
    } else if (auto** i4 = std::get_if<std::int32_t*>(&result)) {
        **i4 = value.lVal;
    } else if (auto** r4 = std::get_if<float*>(&result)) {
        **r4 = value.fltVal;
    } else if (auto** r8 = std::get_if<double*>(&result)) {
        **r8 = value.dblVal;
    } else if (auto** flag = std::get_if<bool*>(&result)) {
        **flag = value.boolVal != 0;
    } else if (auto** text = std::get_if<std::string*>(&result)) {
        **text = Utf8FromBstr(value.bstrVal);
    } else if (auto** object = std::get_if<ComPtr<IDispatch>*>(&result)) {
        (*object)->Attach(value.pdispVal);
        VariantInit(&value);
    }
}

}  // namespace

void ClearExcepInfo(EXCEPINFO* info) {
    if (info == nullptr) return;
    SysFreeString(info->bstrSource);
    SysFreeString(info->bstrDescription);
    SysFreeString(info->bstrHelpFile);
    *info = EXCEPINFO{};
}

void InvokeHelper(IDispatch* object, DISPID id, std::uint16_t flags, InvokeResult result,
                  std::initializer_list<Variant> arguments) {
    if (object == nullptr) throw OleError(E_POINTER);
    // The callee reads the arguments last first.
    std::vector<Variant> reversed(arguments.size());
    std::size_t at = arguments.size();
    for (const Variant& argument : arguments) {
        const HRESULT copied = VariantCopy(&reversed[--at], &argument);
        if (Failed(copied)) throw OleError(copied);
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<std::uint32_t>(reversed.size());
    if ((flags & DISPATCH_PROPERTYPUT) != 0 && !reversed.empty()) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }

    const bool wantsResult = !std::holds_alternative<NoResult>(result);
    Variant value;
    EXCEPINFO exception;
    std::uint32_t argError = 0;
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                      wantsResult ? &value : nullptr, &exception, &argError);
    if (hr == DISP_E_EXCEPTION) ThrowException(exception);
    ClearExcepInfo(&exception);
    if (Failed(hr)) throw OleError(hr);
    if (wantsResult) Deliver(value, result);
}

}  // namespace platform
