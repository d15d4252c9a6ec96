#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the options dialog tells about the viewer. Free of the viewer itself so that every
// line can be checked from plain values.
struct ViewerReport {
    bool initFailed = false;
    std::string initFailure;
    bool loadError = false;
    std::string fileName;
    std::string serverDomain;  // empty: unknown
    bool hasDisplay = false;
    bool oldInterface = false;  // the display runs the DirectX 3 path
    bool oldInterfaceForced = false;
    bool hasDevice = false;
    bool hardwareDevice = false;
    int processCount = 0;
    int computerCount = 0;
    int windowWidth = 0;
    int windowHeight = 0;
    int bitsPerPixel = 0;
    bool formatKnown = false;
    std::uint32_t formatBits = 0;
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
    std::int64_t received = 0;
    std::int64_t total = 0;  // 0: unknown
    int imageWidth = 0;
    int imageHeight = 0;
    int imageDepth = 0;
    int fps = 0;
    float posX = 0;
    float posY = 0;
    float posZ = 0;
    std::optional<std::string> errorLog;
};

// The "Advanced info" text, line by line, each ended by "\r\n" but the position's.
std::string AdvancedText(const ViewerReport& report);

// The "About" page's text.
std::string AboutPageText();

// The maker's home page: there is no web site, so it is the studio's own page about the
// project ("help/project.htm" of the studio's data folder, found beside the program or the
// library that carries the viewer, else in the source tree it was built from), as a file
// address. Empty where no studio is installed: nothing then points anywhere. There is no
// feedback address.
std::string HomePage();
// The title of the viewer's own windows and boxes: "Vantelo - " and the home page, or
// "Vantelo" alone without one.
std::string ViewerTitle();

// Where the update check asks; VANTELO_UPDATE_URL stands in for it.
inline constexpr const char* kUpdateEndpoint = "http://update.example.com/vantelo";
