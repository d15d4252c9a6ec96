#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "control-plugin/framework/NsxOcxPlugin.h"

// An instance whose control's events call page functions named in its "event_" attributes,
// and whose automation errors reach the page's error function, or the Java caller when the
// page named none.
class CNsxLiveOcxPlugin : public CNsxOcxPlugin {
public:
    static constexpr std::uint16_t kNoHandler = 0xFFFF;

    bool OnAttribute(const char* name, const char* value) override;
    NPError New(NPMIMEType mimeType, std::uint16_t mode, std::int16_t argc, char** argn,
                char** argv, NPSavedData* saved) override;

    const char* GetEventHandler(int index) override;
    const char* GetErrorHandler() override;
    void SetErrorHandler(const char* name) override;
    void CallPageFunction(const char* name, int count, CNsxJavaValue* const* values) override;
    void ReportException(const std::exception& caught) override;

    const std::vector<std::uint16_t>& eventMap() const { return eventMap_; }

private:
    std::int32_t handlerCount_ = 0;
    std::vector<std::string> handlerNames_;
    std::vector<std::uint16_t> eventMap_;
    std::string errorHandler_;
};

// Calls the page function `name` of the instance's window with the values' Java objects.
void CallPageFunction(CNsxActiveXPlugin* plugin, const char* name, int count,
                      CNsxJavaValue* const* values);
// The page's error function gets the error; without one it is thrown into the Java caller;
// "void" silences it.
void CallErrorHandler(CNsxActiveXPlugin* plugin, std::uint16_t code, const char* description,
                      std::int32_t scode, const char* source, const char* helpFile,
                      std::int32_t helpContext);
void ReportAutomationError(CNsxActiveXPlugin* plugin, const std::exception& caught);
