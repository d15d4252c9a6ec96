#include "viewer-plugin/AboutText.h"

#include "platform/text/Text.h"

using platform::FormatC;

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
    return FormatC("Vantelo %.2f\r\n\r\nPictures that zoom and pan in the page.\r\n\r\n%s\r\n",
                   1.73, kWebAddress);
}
