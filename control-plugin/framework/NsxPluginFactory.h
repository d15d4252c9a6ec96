#pragma once

#include <string>

#include "platform/npapi/Npapi.h"

class CNsxPlugin;

// One plug-in class offered for a MIME type (any type, when the type is empty). Every
// factory is a static object of the module: made, it joins the head of the module's list,
// so the list runs newest first; gone, it leaves it.
class CNsxPluginFactory {
public:
    using CreateFunction = CNsxPlugin* (*)();

    CNsxPluginFactory(CreateFunction create, const char* mimeType);
    virtual ~CNsxPluginFactory();
    CNsxPluginFactory(const CNsxPluginFactory&) = delete;
    CNsxPluginFactory& operator=(const CNsxPluginFactory&) = delete;

    // The best class's new instance object for the type, or null when none serves it.
    static CNsxPlugin* CreateForMimeType(const char* mimeType, NPP npp);

    // A new object of the class with its NPP; null when creation fails.
    virtual CNsxPlugin* CreateInstance(NPP npp);
    // 2 for the factory's own type (ignoring case), 1 for a factory of any type, else 0.
    virtual int MatchMimeType(const char* mimeType);

private:
    CNsxPluginFactory* next_ = nullptr;
    CreateFunction create_;
    std::string mimeType_;
};

// The creation function of a plug-in class.
template <class Plugin>
CNsxPlugin* CreateNsxPlugin() {
    return new Plugin;
}
