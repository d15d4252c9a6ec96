#pragma once

#include <exception>
#include <initializer_list>

#include "control-plugin/framework/NsxPlugin.h"
#include "platform/com/Com.h"
#include "platform/com/InvokeHelper.h"

class CNsxJavaValue;

// An instance that hosts a control: the operations the control, its events and the Java
// bridge go through. Here they all answer "no control"; the hosting layers above fill them.
class CNsxActiveXPlugin : public CNsxPlugin {
public:
    // The hosted control (it answers QueryInterface for IDispatch, IViewObject, ...).
    virtual platform::IUnknown* GetControlDispatch();
    // An automation error caught while driving the control.
    virtual void ReportException(const std::exception& caught);
    // Calls the control's member; see platform::InvokeHelper.
    virtual void InvokeHelper(platform::DISPID id, std::uint16_t flags,
                              platform::InvokeResult result,
                              std::initializer_list<platform::Variant> arguments);
    virtual void SetProperty(platform::DISPID id, const platform::Variant& value);
    virtual void GetProperty(platform::DISPID id, platform::InvokeResult result);
    // The class id of the control to host.
    virtual const platform::CLSID* GetControlClsid();
    // The control's event names, ending with null; index = event dispid - 1.
    virtual const char* const* GetEventNames();
    // The page function bound to an event, or null.
    virtual const char* GetEventHandler(int index);
    virtual const char* GetErrorHandler();
    virtual void SetErrorHandler(const char* name);
    // Calls a page function with the Java objects of `values`.
    virtual void CallPageFunction(const char* name, int count, CNsxJavaValue* const* values);
};
