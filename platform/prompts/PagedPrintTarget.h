#pragma once

#include <memory>
#include <string>

#include "platform/prompts/PrintTarget.h"

class QPagedPaintDevice;

namespace platform {

// A print target over one of Qt's paged devices (a printer or a PDF writer). What is drawn
// on the context becomes the page.
std::unique_ptr<PrintTarget> MakePagedPrintTarget(std::unique_ptr<QPagedPaintDevice> device);

// A PDF file standing in for a printer: A4 at 300 dots per inch with 10 mm margins.
std::unique_ptr<PrintTarget> MakePdfPrintTarget(const std::string& path);

}  // namespace platform
