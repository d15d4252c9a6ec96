#include "control-plugin/framework/NsxLiveOcxPlugin.h"

#include <strings.h>

#include <cstring>
#include <memory>

#include "control-plugin/bridge/JavaClasses.h"
#include "control-plugin/bridge/NsxJavaValue.h"
#include "control-plugin/framework/NsxApp.h"
#include "platform/com/AutomationErrors.h"

using namespace platform;

NPError CNsxLiveOcxPlugin::New(NPMIMEType mimeType, std::uint16_t mode, std::int16_t argc,
                               char** argn, char** argv, NPSavedData* saved) {
    eventMap_.clear();
    if (const char* const* names = GetEventNames()) {
        for (; *names != nullptr; ++names) eventMap_.push_back(kNoHandler);
    }
    return CNsxOcxPlugin::New(mimeType, mode, argc, argn, argv, saved);
}

bool CNsxLiveOcxPlugin::OnAttribute(const char* name, const char* value) {
    if (CNsxOcxPlugin::OnAttribute(name, value)) return true;
    if (name == nullptr || ::strncasecmp(name, "event_", 6) != 0) return false;
    const char* const* names = GetEventNames();
    if (names == nullptr) return true;
    const char* event = name + 6;
    for (std::size_t i = 0; names[i] != nullptr && i < eventMap_.size(); ++i) {
        if (::strcasecmp(event, names[i]) != 0) continue;
        // Past this many the map's words could not tell a handler from none.
        if (handlerCount_ >= kNoHandler) return true;
        eventMap_[i] = static_cast<std::uint16_t>(handlerCount_);
        handlerNames_.emplace_back(value != nullptr ? value : "");
        ++handlerCount_;
        return true;
    }
    return true;
}

const char* CNsxLiveOcxPlugin::GetEventHandler(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= eventMap_.size()) return nullptr;
    const std::uint16_t entry = eventMap_[static_cast<std::size_t>(index)];
    if (entry == kNoHandler || entry >= handlerNames_.size()) return nullptr;
    return handlerNames_[entry].c_str();
}

const char* CNsxLiveOcxPlugin::GetErrorHandler() {
    return errorHandler_.c_str();
}

void CNsxLiveOcxPlugin::SetErrorHandler(const char* name) {
    errorHandler_ = name != nullptr ? name : "";
}

void CNsxLiveOcxPlugin::CallPageFunction(const char* name, int count,
                                         CNsxJavaValue* const* values) {
    ::CallPageFunction(this, name, count, values);
}

void CNsxLiveOcxPlugin::ReportException(const std::exception& caught) {
    ReportAutomationError(this, caught);
}

void CallPageFunction(CNsxActiveXPlugin* plugin, const char* name, int count,
                      CNsxJavaValue* const* values) {
    JRIEnv* env = GetJavaEnv();
    if (env == nullptr || plugin == nullptr || name == nullptr) return;
    const jref peer = plugin->GetJavaPeer();
    if (peer == 0) return;
    const jref window = env->CallMethodObject(peer, netscape_plugin_Plugin.id(Plugin_getWindow));
    if (window == 0) return;
    if (count < 0) count = 0;
    CNsxJavaArgs args(env, count, false);
    for (int i = 0; i < count; ++i) args.Add(values != nullptr ? values[i] : nullptr);
    env->CallMethodObject(window, netscape_javascript_JSObject.id(JSObject_call),
                          AnsiToJavaString(env, name, -1), args.GetJavaArray());
}

void CallErrorHandler(CNsxActiveXPlugin* plugin, std::uint16_t code, const char* description,
                      std::int32_t scode, const char* source, const char* helpFile,
                      std::int32_t helpContext) {
    if (plugin == nullptr) return;
    const char* name = plugin->GetErrorHandler();
    JRIEnv* env = GetJavaEnv();
    if (name == nullptr || *name == '\0') {
        if (env == nullptr) return;
        // The slash name: the dotted one names no class the machine can find.
        const jref exception = env->FindClass("java/lang/Exception");
        if (exception != 0) env->ThrowNew(exception, description != nullptr ? description : "");
        return;
    }
    if (std::strcmp(name, "void") == 0 || env == nullptr) return;
    std::unique_ptr<CNsxJavaValue> values[6] = {
        std::make_unique<CNsxJavaValue>(env, static_cast<std::int16_t>(code), VT_I2),
        std::make_unique<CNsxJavaValue>(env, description, VT_BSTR),
        std::make_unique<CNsxJavaValue>(env, scode, VT_I4),
        std::make_unique<CNsxJavaValue>(env, source, VT_BSTR),
        std::make_unique<CNsxJavaValue>(env, helpFile, VT_BSTR),
        std::make_unique<CNsxJavaValue>(env, helpContext, VT_I4),
    };
    CNsxJavaValue* const pointers[6] = {values[0].get(), values[1].get(), values[2].get(),
                                        values[3].get(), values[4].get(), values[5].get()};
    // The handler's own name may go if the page resets it during the call.
    const std::string handler = name;
    plugin->CallPageFunction(handler.c_str(), 6, pointers);
}

void ReportAutomationError(CNsxActiveXPlugin* plugin, const std::exception& caught) {
    if (const auto* dispatch = dynamic_cast<const DispatchError*>(&caught)) {
        CallErrorHandler(plugin, dispatch->code(), dispatch->description().c_str(),
                         dispatch->scode(), dispatch->source().c_str(),
                         dispatch->helpFile().c_str(),
                         static_cast<std::int32_t>(dispatch->helpContext()));
        return;
    }
    HRESULT scode = DISP_E_EXCEPTION;
    if (const auto* ole = dynamic_cast<const OleError*>(&caught)) scode = ole->scode();
    CallErrorHandler(plugin, 0, "", scode, "", "", 0);
}
