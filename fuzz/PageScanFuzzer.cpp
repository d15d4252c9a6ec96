#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/debug/Debug.h"
#include "studio/projects/PageScan.h"
#include "studio/projects/PageWriter.h"

// Scans the input as a page, converts every picture found and scans the converted page
// again. Relative addresses point into a folder that does not exist, so no picture file is
// read.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::SetDebugSilent(true);
    VantelifyPage page;
    page.text.assign(reinterpret_cast<const char*>(data), size);
    bool hasBody = false;
    bool foreign = false;
    const std::string folder = "/nonexistent-vantelo-fuzz/";
    page.images = ScanPage(page.text, folder, page.headOffset, hasBody, foreign);
    int end = 0;
    for (PageImage& image : page.images) {
        // The spans must lie inside the text, in order and apart: the writer relies on it.
        if (image.start < end || image.length < 0 ||
            static_cast<std::size_t>(image.start) + static_cast<std::size_t>(image.length) >
                page.text.size()) {
            std::abort();
        }
        end = image.start + image.length;
        FillPageDefaults(image, folder);
        image.zoomable = true;
    }
    const std::string converted = BuildPageText(page);
    int headOffset = 0;
    ScanPage(converted, folder, headOffset, hasBody, foreign);
    return 0;
}
