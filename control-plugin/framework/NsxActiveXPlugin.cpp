#include "control-plugin/framework/NsxActiveXPlugin.h"

platform::IUnknown* CNsxActiveXPlugin::GetControlDispatch() {
    return nullptr;
}

void CNsxActiveXPlugin::ReportException(const std::exception&) {}

void CNsxActiveXPlugin::InvokeHelper(platform::DISPID, std::uint16_t, platform::InvokeResult,
                                     std::initializer_list<platform::Variant>) {}

void CNsxActiveXPlugin::SetProperty(platform::DISPID, const platform::Variant&) {}

void CNsxActiveXPlugin::GetProperty(platform::DISPID, platform::InvokeResult) {}

const platform::CLSID* CNsxActiveXPlugin::GetControlClsid() {
    static const platform::CLSID none{};
    return &none;
}

const char* const* CNsxActiveXPlugin::GetEventNames() {
    return nullptr;
}

const char* CNsxActiveXPlugin::GetEventHandler(int) {
    return nullptr;
}

const char* CNsxActiveXPlugin::GetErrorHandler() {
    return nullptr;
}

void CNsxActiveXPlugin::SetErrorHandler(const char*) {}

void CNsxActiveXPlugin::CallPageFunction(const char*, int, CNsxJavaValue* const*) {}
