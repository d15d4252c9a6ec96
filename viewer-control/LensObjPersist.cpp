// Saved state: our own bytes in a stream (the control's part of a container's data file), and
// the page's parameters through a property bag.
#include <algorithm>
#include <exception>
#include <iterator>
#include <optional>

#include "viewer-control/LensMembers.h"
#include "viewer-control/LensObj.h"

using namespace platform;

namespace {

// The properties a page can give as parameters, in the order they are applied.
constexpr DISPID kBagProperties[] = {
    scripting::kDispUserInterfaceLock,
    scripting::kDispFullscreen,
    scripting::kDispShowLogo,
    scripting::kDispFit,
    scripting::kDispBorderHeight,
    scripting::kDispBorderWidth,
    scripting::kDispBorderColor,
    scripting::kDispBgColor,
    scripting::kDispPosX,
    scripting::kDispPosY,
    scripting::kDispPosZ,
    scripting::kDispPanSpeed,
    scripting::kDispZoomSpeed,
    scripting::kDispMinZoom,
    scripting::kDispMaxZoom,
    scripting::kDispFilename,
};

// What a stream keeps: the same, without the passing full-screen mode, with the back colour.
constexpr DISPID kStreamProperties[] = {
    scripting::kDispBackColor,    scripting::kDispUserInterfaceLock,
    scripting::kDispShowLogo,     scripting::kDispFit,
    scripting::kDispBorderHeight, scripting::kDispBorderWidth,
    scripting::kDispBorderColor,  scripting::kDispBgColor,
    scripting::kDispPosX,         scripting::kDispPosY,
    scripting::kDispPosZ,         scripting::kDispPanSpeed,
    scripting::kDispZoomSpeed,    scripting::kDispMinZoom,
    scripting::kDispMaxZoom,      scripting::kDispFilename,
};

bool Kept(DISPID id) {
    return std::find(std::begin(kStreamProperties), std::end(kStreamProperties), id) !=
           std::end(kStreamProperties);
}

// Fills `out` in place (see ReadControlState); false for a type the state does not keep.
bool StateValueOf(const VARIANT& value, StateValue& out) {
    switch (value.vt) {
        case VT_I4:
            out.emplace<std::int32_t>(value.lVal);
            return true;
        case VT_R4:
            out.emplace<float>(value.fltVal);
            return true;
        case VT_BSTR:
            out.emplace<std::u16string>(BstrView(value.bstrVal));
            return true;
        default:
            return false;
    }
}

Variant VariantOf(const StateValue& value) {
    if (const auto* i = std::get_if<std::int32_t>(&value)) return Variant::I4(*i);
    if (const auto* f = std::get_if<float>(&value)) return Variant::R4(*f);
    const auto& text = std::get<std::u16string>(value);
    Variant out;
    out.vt = VT_BSTR;
    out.bstrVal = SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
    return out;
}

// Whether the value would go through the member's put: the stream is checked whole before
// anything of it is applied.
bool Puttable(const Member& put, const Variant& value) {
    VARIANT argument = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&argument, &named, 1, 1};
    MemberCall call;
    return Succeeded(
        LensMembers().PrepareCall(put.id, IID_NULL, DISPATCH_PROPERTYPUT, &params, call, nullptr));
}

}  // namespace

HRESULT LensObj::GetClassID(CLSID* clsid) {
    if (clsid == nullptr) return E_POINTER;
    *clsid = scripting::CLSID_LensObj;
    return S_OK;
}

HRESULT LensObj::IsDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT LensObj::InitNew() {
    dirty_ = false;
    return S_OK;
}

HRESULT LensObj::GetSizeMax(std::uint64_t* size) {
    if (size == nullptr) return E_POINTER;
    *size = kMaxStateBytes;
    return S_OK;
}

ControlState LensObj::CurrentState() {
    ControlState state;
    for (const DISPID id : kStreamProperties) {
        Variant value;
        if (Failed(GetProperty(id, value))) continue;
        StateEntry& entry = state.emplace_back();
        entry.id = id;
        if (!StateValueOf(value, entry.value)) state.pop_back();
    }
    return state;
}

HRESULT LensObj::Save(IStream* stream, bool clearDirty) {
    if (stream == nullptr) return E_POINTER;
    try {
        const std::optional<std::vector<std::uint8_t>> bytes = WriteControlState(CurrentState());
        if (!bytes) return E_FAIL;
        std::uint32_t written = 0;
        const HRESULT hr =
            stream->Write(bytes->data(), static_cast<std::uint32_t>(bytes->size()), &written);
        if (Failed(hr)) return hr;
        if (written != bytes->size()) return STG_E_MEDIUMFULL;
        if (clearDirty) dirty_ = false;
        return S_OK;
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT LensObj::Load(IStream* stream) {
    if (stream == nullptr) return E_POINTER;
    try {
        const std::optional<ControlState> state =
            ReadControlState([stream](void* out, std::size_t size) {
                std::uint32_t got = 0;
                return Succeeded(stream->Read(out, static_cast<std::uint32_t>(size), &got)) &&
                       got == size;
            });
        if (!state) return E_FAIL;
        // Values a state does not keep are skipped (a newer control may keep more); a value
        // its member would refuse spoils the whole state.
        std::vector<std::pair<DISPID, Variant>> puts;
        for (const StateEntry& entry : *state) {
            const Member* put = LensMembers().Find(entry.id, MemberKind::PropertyPut);
            if (put == nullptr || !Kept(entry.id)) continue;
            Variant value = VariantOf(entry.value);
            if (!Puttable(*put, value)) return E_FAIL;
            puts.emplace_back(entry.id, std::move(value));
        }
        for (const auto& [id, value] : puts) PutProperty(id, value);
        dirty_ = false;
        return S_OK;
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT LensObj::Load(IPropertyBag* bag, IErrorLog* errorLog) {
    if (bag == nullptr) return E_POINTER;
    try {
        for (const DISPID id : kBagProperties) {
            const Member* put = LensMembers().Find(id, MemberKind::PropertyPut);
            if (put == nullptr || put->parameters.size() != 1) continue;
            const Bstr name(put->name);
            Variant value;
            value.vt = put->parameters[0];
            // A property the bag lacks keeps its default.
            if (Failed(bag->Read(name.get(), &value, errorLog))) continue;
            PutProperty(id, value);
        }
        dirty_ = false;
        return S_OK;
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT LensObj::Save(IPropertyBag* bag, bool clearDirty, bool) {
    if (bag == nullptr) return E_POINTER;
    try {
        for (const DISPID id : kBagProperties) {
            const Member* get = LensMembers().Find(id, MemberKind::PropertyGet);
            Variant value;
            if (get == nullptr || Failed(GetProperty(id, value))) continue;
            const Bstr name(get->name);
            const HRESULT hr = bag->Write(name.get(), &value);
            if (Failed(hr)) return hr;
        }
        if (clearDirty) dirty_ = false;
        return S_OK;
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}
