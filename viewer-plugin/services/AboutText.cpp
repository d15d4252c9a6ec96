#include "viewer-plugin/services/AboutText.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/text/Text.h"

using platform::FormatC;

namespace {

constexpr const char* kProjectPage = "kvtdata/help/project.htm";

std::string FileAddress(const std::filesystem::path& page) {
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::canonical(page, error);
    return error ? std::string() : "file://" + whole.string();
}

std::string FindHomePage() {
    std::vector<std::filesystem::path> folders;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&FindHomePage), &info) != 0 && info.dli_fname != nullptr) {
        folders.push_back(std::filesystem::path(info.dli_fname).parent_path());
    }
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) folders.push_back(program.parent_path());
    for (const std::filesystem::path& folder : folders) {
        const std::filesystem::path page = folder / kProjectPage;
        if (std::filesystem::is_regular_file(page, error)) return FileAddress(page);
    }
#ifdef VANTELO_SOURCE_DATA_FOLDER
    const std::filesystem::path source =
        std::filesystem::path(VANTELO_SOURCE_DATA_FOLDER) / "help/project.htm";
    if (std::filesystem::is_regular_file(source, error)) return FileAddress(source);
#endif
    return {};
}

}  // namespace

std::string HomePage() {
    static const std::string page = FindHomePage();
    return page;
}

std::string ViewerTitle() {
    const std::string page = HomePage();
    return page.empty() ? std::string("Vantelo") : "Vantelo - " + page;
}

std::string AdvancedText(const ViewerReport& r) {
    std::string text;
    if (r.initFailed) text += "Initializaion failed\r\n  " + r.initFailure + "\r\n";
    text += (r.loadError ? "Error loading: " : "Url: ") + r.fileName + "\r\n";
    text +=
        "Server domain: " + (r.serverDomain.empty() ? "Unknown or Local" : r.serverDomain) + "\r\n";
    if (r.hasDisplay) {
        if (!r.oldInterface) {
            text += "Using DirectX6 or later\r\n";
            if (!r.hasDevice) {
                text += "No Device\r\n";
            } else {
                text += r.hardwareDevice ? "Using hardware acceleration\r\n"
                                         : "Using software emulation\r\n";
            }
        } else if (r.oldInterfaceForced) {
            text += "TESTING - using dx3\r\n";
        } else {
            text += "Using DirectX3, DirectX6 or later not installed\r\n";
            text += "Install DirectX6 or later from its maker's download site\r\n";
            text += "( unless you run NT4 )\r\n";
            text += "Vantelo runs slow in Dx3\r\n";
        }
    }
    if (r.processCount != 0) {
        text += FormatC("%d Running Vantelo object(s) in this process\r\n", r.processCount);
    }
    text += FormatC("%d Running Vantelo object(s) on this computer\r\n", r.computerCount);
    text += FormatC("WindowSize is %d,%d at %d bits\r\n", r.windowWidth, r.windowHeight,
                    r.bitsPerPixel);
    if (r.formatKnown) {
        text += FormatC("Format: %d, (%08x, %08x, %08x)\r\n", static_cast<int>(r.formatBits),
                        r.redMask, r.greenMask, r.blueMask);
    }
    if (r.total != 0) {
        if (r.received == r.total) {
            text += FormatC("Image file Size %lld bytes\r\n", static_cast<long long>(r.total));
        } else {
            // In 64 bits: a download past 21 MB would overflow the percentage in 32.
            text += FormatC("Image downloading %lld/%lld bytes  %lld%%\r\n",
                            static_cast<long long>(r.received), static_cast<long long>(r.total),
                            static_cast<long long>(r.received * 100 / r.total));
        }
        text += FormatC("Image dimensions %d x %d pixels\r\n", r.imageWidth, r.imageHeight);
        const std::int64_t decompressed =
            std::int64_t{r.imageDepth} * r.imageWidth * r.imageHeight / 8;
        text += FormatC("Decompressed size %lld bytes\r\n", static_cast<long long>(decompressed));
    }
    text += FormatC("Fps %d\r\n", r.fps);
    text += FormatC("Pos = (%.2f, %.2f, %.2f)", static_cast<double>(r.posX),
                    static_cast<double>(r.posY), static_cast<double>(r.posZ));
    if (r.errorLog) text += "\r\n" + *r.errorLog;
    return text;
}

std::string AboutPageText() {
    std::string text =
        FormatC("Vantelo %.2f\r\n\r\nPictures that zoom and pan in the page.\r\n", 1.73);
    const std::string page = HomePage();
    if (!page.empty()) text += "\r\n" + page + "\r\n";
    return text;
}
