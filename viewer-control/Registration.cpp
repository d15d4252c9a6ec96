#include "viewer-control/Registration.h"

#include <string_view>
#include <vector>

#include "platform/registry/Registry.h"
#include "viewer-plugin/viewer/DispatchTable.h"

using namespace platform;

namespace {

constexpr std::string_view kProgId = "Lens.LensObj";
constexpr std::string_view kLibraryVersion = "1.5";

struct Entry {
    std::string key;
    std::string name;  // empty: the key's default value
    std::string value;
};

std::string ClassKey() {
    return "CLSID\\" + FormatGuid(scripting::CLSID_LensObj);
}

std::string LibraryKey() {
    return "TypeLib\\" + FormatGuid(scripting::LIBID_LENSLib);
}

std::vector<Entry> Entries(const std::string& libraryPath) {
    const std::string classKey = ClassKey();
    const std::string clsid = FormatGuid(scripting::CLSID_LensObj);
    return {
        {classKey, "", std::string(scripting::kClassHelp)},
        {classKey + "\\InprocServer32", "", libraryPath},
        {classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {classKey + "\\ProgID", "", std::string(kProgId)},
        {classKey + "\\TypeLib", "", FormatGuid(scripting::LIBID_LENSLib)},
        {std::string(kProgId) + "\\CLSID", "", clsid},
        {LibraryKey() + "\\" + std::string(kLibraryVersion), "",
         std::string(scripting::kLibraryHelp)},
    };
}

HRESULT Failure(RegResult result) {
    return result == RegResult::Ok ? S_OK : E_FAIL;
}

}  // namespace

HRESULT RegisterLensObj(const std::string& libraryPath) {
    if (libraryPath.empty()) return E_INVALIDARG;
    for (const Entry& entry : Entries(libraryPath)) {
        RegKey key;
        RegResult result =
            RegKey::Create(Registry::Default(), RegHive::ClassesRoot, entry.key, "", key);
        if (result == RegResult::Ok) result = key.SetString(entry.name, entry.value);
        if (result != RegResult::Ok) return Failure(result);
    }
    return S_OK;
}

HRESULT UnregisterLensObj() {
    RegKey root;
    if (RegKey::Open(Registry::Default(), RegHive::ClassesRoot, "", root) != RegResult::Ok) {
        return S_OK;
    }
    const std::string library = LibraryKey();
    for (const std::string& key :
         {ClassKey(), std::string(kProgId), library + "\\" + std::string(kLibraryVersion)}) {
        const RegResult result = root.DeleteTree(key);
        if (result != RegResult::Ok && result != RegResult::NotFound) return Failure(result);
    }
    // The library's key goes only when nothing else was kept under it.
    RegKey left;
    if (root.OpenSubKey(library, left) == RegResult::Ok) {
        std::vector<std::string> subkeys;
        std::vector<std::string> values;
        if (left.EnumSubKeys(subkeys) == RegResult::Ok && subkeys.empty() &&
            left.EnumValues(values) == RegResult::Ok && values.empty()) {
            left.Close();
            const RegResult result = root.DeleteSubKey(library);
            if (result != RegResult::Ok && result != RegResult::NotFound) return Failure(result);
        }
    }
    return S_OK;
}
