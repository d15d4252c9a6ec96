// ILensObj: automation calls checked and converted by the member table, then carried out by
// the viewer's scripting members.
#include <exception>
#include <vector>

#include "viewer-control/LensMembers.h"
#include "viewer-control/LensObj.h"

using namespace platform;

namespace {

scripting::MemberKind ScriptKind(MemberKind kind) {
    switch (kind) {
        case MemberKind::PropertyGet:
            return scripting::MemberKind::Get;
        case MemberKind::PropertyPut:
            return scripting::MemberKind::Put;
        case MemberKind::Method:
            break;
    }
    return scripting::MemberKind::Method;
}

// The table's checks already gave each argument its declared type.
scripting::Value ScriptValue(const VARIANT& argument) {
    switch (argument.vt) {
        case VT_I4:
            return scripting::Value::Int(argument.lVal);
        case VT_R4:
            return scripting::Value::Float(argument.fltVal);
        case VT_BSTR:
            return scripting::Value::String(Utf8FromBstr(argument.bstrVal));
        case VT_R4 | VT_BYREF:
            return scripting::Value::FloatOut(argument.pfltVal);
        default:
            return scripting::Value();
    }
}

Variant ResultVariant(const scripting::Value& value, VARTYPE type) {
    switch (type) {
        case VT_I4:
            return Variant::I4(value.AsInt());
        case VT_R4:
            return Variant::R4(value.AsFloat());
        case VT_BSTR:
            return Variant::Text(value.AsString());
        default:
            return Variant();
    }
}

HRESULT AutomationResult(scripting::CallResult result) {
    switch (result) {
        case scripting::CallResult::Ok:
            return S_OK;
        case scripting::CallResult::MemberNotFound:
            return DISP_E_MEMBERNOTFOUND;
        case scripting::CallResult::BadParamCount:
            return DISP_E_BADPARAMCOUNT;
        case scripting::CallResult::TypeMismatch:
            return DISP_E_TYPEMISMATCH;
    }
    return E_FAIL;
}

}  // namespace

HRESULT LensObj::GetTypeInfoCount(std::uint32_t* count) {
    if (count == nullptr) return E_POINTER;
    // No type descriptions are carried here.
    *count = 0;
    return S_OK;
}

HRESULT LensObj::GetTypeInfo(std::uint32_t, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT LensObj::GetIDsOfNames(const IID& riid, const OLECHAR* const* names, std::uint32_t count,
                               LCID, DISPID* ids) {
    try {
        return LensMembers().GetIDsOfNames(riid, names, count, ids);
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT LensObj::Invoke(DISPID id, const IID& riid, LCID, std::uint16_t flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO*, std::uint32_t* argError) {
    try {
        MemberCall call;
        const HRESULT checked = LensMembers().PrepareCall(id, riid, flags, params, call, argError);
        if (Failed(checked)) return checked;
        Variant out;
        const HRESULT hr = Call(*call.member, call.arguments, out);
        if (Succeeded(hr) && result != nullptr) *result = out.Detach();
        return hr;
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT LensObj::Call(const Member& member, const std::vector<Variant>& arguments, Variant& out) {
    const bool put = member.kind == MemberKind::PropertyPut;
    if (member.id == scripting::kDispAboutBox) {
        viewer_->ShowAboutDialog();
        return S_OK;
    }
    if (member.id == kDispReadyState) {
        int state = kReadyStateNone;
        if (viewer_->IsImagePresent()) {
            state = viewer_->IsLoading() ? kReadyStateInteractive : kReadyStateComplete;
        } else if (viewer_->IsLoading()) {
            state = kReadyStateLoading;
        }
        out = Variant::I4(state);
        return S_OK;
    }
    if (member.id == scripting::kDispBackColor) {
        if (put) {
            backColor_ = static_cast<OLE_COLOR>(arguments[0].lVal);
            dirty_ = true;
        } else {
            out = Variant::I4(static_cast<std::int32_t>(backColor_));
        }
        return S_OK;
    }
    std::vector<scripting::Value> values;
    values.reserve(arguments.size());
    for (const Variant& argument : arguments) values.push_back(ScriptValue(argument));
    scripting::Value value;
    const HRESULT hr = AutomationResult(
        scripting::Invoke(*viewer_, member.id, ScriptKind(member.kind), values, &value));
    if (Failed(hr)) return hr;
    if (put) dirty_ = true;
    if (member.kind == MemberKind::PropertyGet) out = ResultVariant(value, member.result);
    return S_OK;
}

HRESULT LensObj::PutProperty(DISPID id, const VARIANT& value) {
    VARIANT argument = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&argument, &named, 1, 1};
    return Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                  nullptr, nullptr);
}

HRESULT LensObj::GetProperty(DISPID id, Variant& value) {
    DISPPARAMS none;
    VARIANT out{};
    const HRESULT hr = Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &out,
                              nullptr, nullptr);
    value = Variant(out);
    VariantClear(&out);
    return hr;
}
