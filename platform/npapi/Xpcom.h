#pragma once

#include <cstdint>

// The browser's component interfaces a scriptable plug-in peer implements. The interfaces
// have no virtual destructor: a browser calls them by slot, so every slot stays where the
// interface declares it. Objects are released through Release, never deleted by callers.
using nsresult = std::uint32_t;
using nsrefcnt = std::uint32_t;
using PRBool = int;

inline constexpr nsresult NS_OK = 0;
inline constexpr nsresult NS_ERROR_NOT_IMPLEMENTED = 0x80004001u;
inline constexpr nsresult NS_NOINTERFACE = 0x80004002u;
inline constexpr nsresult NS_ERROR_NULL_POINTER = 0x80004003u;
inline constexpr nsresult NS_ERROR_FAILURE = 0x80004005u;
inline constexpr nsresult NS_ERROR_OUT_OF_MEMORY = 0x8007000Eu;

// Sixteen bytes, as a browser reads them.
struct nsID {
    std::uint32_t m0 = 0;
    std::uint16_t m1 = 0;
    std::uint16_t m2 = 0;
    std::uint8_t m3[8] = {};

    friend bool operator==(const nsID&, const nsID&) = default;
};
static_assert(sizeof(nsID) == 16);
using nsIID = nsID;
using nsCID = nsID;

inline constexpr nsIID NS_ISUPPORTS_IID = {
    0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr nsIID NS_ICLASSINFO_IID = {
    0x986c11d0, 0xf340, 0x11d4, {0x90, 0x75, 0x00, 0x10, 0xa4, 0xe7, 0x3d, 0x9a}};

class nsISupports {
public:
    virtual nsresult QueryInterface(const nsIID& iid, void** result) = 0;
    virtual nsrefcnt AddRef() = 0;
    virtual nsrefcnt Release() = 0;

protected:
    ~nsISupports() = default;
};

class nsIClassInfo : public nsISupports {
public:
    // Flags.
    static constexpr std::uint32_t SINGLETON = 1;
    static constexpr std::uint32_t THREADSAFE = 2;
    static constexpr std::uint32_t MAIN_THREAD_ONLY = 4;
    static constexpr std::uint32_t DOM_OBJECT = 8;
    static constexpr std::uint32_t PLUGIN_OBJECT = 16;
    // Languages.
    static constexpr std::uint32_t UNKNOWN = 0;
    static constexpr std::uint32_t CPLUSPLUS = 1;

    virtual nsresult GetInterfaces(std::uint32_t* count, nsIID*** array) = 0;
    virtual nsresult GetHelperForLanguage(std::uint32_t language, nsISupports** helper) = 0;
    virtual nsresult GetContractID(char** contractId) = 0;
    virtual nsresult GetClassDescription(char** description) = 0;
    virtual nsresult GetClassID(nsCID** classId) = 0;
    virtual nsresult GetImplementationLanguage(std::uint32_t* language) = 0;
    virtual nsresult GetFlags(std::uint32_t* flags) = 0;
    virtual nsresult GetClassIDNoAlloc(nsCID* classId) = 0;

protected:
    ~nsIClassInfo() = default;
};
