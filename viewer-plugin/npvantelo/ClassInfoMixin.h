#pragma once

#include "platform/npapi/Xpcom.h"

// The class description a browser asks a scriptable object for: a plug-in object the page's
// scripts may reach, written in C++. The rest of the description is not offered.
class nsClassInfoMixin : public nsIClassInfo {
public:
    nsresult GetInterfaces(std::uint32_t*, nsIID***) override { return NS_ERROR_NOT_IMPLEMENTED; }
    nsresult GetHelperForLanguage(std::uint32_t, nsISupports**) override {
        return NS_ERROR_NOT_IMPLEMENTED;
    }
    nsresult GetContractID(char**) override { return NS_ERROR_NOT_IMPLEMENTED; }
    nsresult GetClassDescription(char**) override { return NS_ERROR_NOT_IMPLEMENTED; }
    nsresult GetClassID(nsCID**) override { return NS_ERROR_NOT_IMPLEMENTED; }
    nsresult GetImplementationLanguage(std::uint32_t* language) override {
        if (language == nullptr) return NS_ERROR_NULL_POINTER;
        *language = nsIClassInfo::CPLUSPLUS;
        return NS_OK;
    }
    nsresult GetFlags(std::uint32_t* flags) override {
        if (flags == nullptr) return NS_ERROR_NULL_POINTER;
        *flags = nsIClassInfo::PLUGIN_OBJECT | nsIClassInfo::DOM_OBJECT;
        return NS_OK;
    }
    nsresult GetClassIDNoAlloc(nsCID*) override { return NS_ERROR_NOT_IMPLEMENTED; }

protected:
    ~nsClassInfoMixin() = default;
};
