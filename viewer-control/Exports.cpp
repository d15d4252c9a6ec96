// The four entries the platform finds the control library by; nothing else is visible.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <exception>
#include <string>

#include "platform/com/ClassFactory.h"
#include "viewer-control/LensObj.h"
#include "viewer-control/Registration.h"

using namespace platform;

namespace {

// The absolute path of this library, as the registry must name it.
std::string LibraryPath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&LibraryPath), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved) == nullptr) return {};
    return resolved;
}

}  // namespace

#define VANTELO_EXPORT extern "C" __attribute__((visibility("default")))

VANTELO_EXPORT HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (clsid != scripting::CLSID_LensObj) return CLASS_E_CLASSNOTAVAILABLE;
    try {
        return ClassFactory::Serve(
            [] { return static_cast<IUnknown*>(static_cast<IDispatch*>(LensObj::Create())); }, iid,
            object);
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}

VANTELO_EXPORT HRESULT DllCanUnloadNow() {
    return LensObj::LiveCount() == 0 ? S_OK : S_FALSE;
}

VANTELO_EXPORT HRESULT DllRegisterServer() {
    try {
        return RegisterLensObj(LibraryPath());
    } catch (const std::exception&) {
        return E_FAIL;
    }
}

VANTELO_EXPORT HRESULT DllUnregisterServer() {
    try {
        return UnregisterLensObj();
    } catch (const std::exception&) {
        return E_FAIL;
    }
}
