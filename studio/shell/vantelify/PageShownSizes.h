#pragma once

#include <string>
#include <vector>

class CWebBrowser2;
struct PageImage;

// A picture as the shown page's document lays it out: its full address and its size on the
// page (0 x 0 while it has not loaded).
struct ShownPicture {
    std::string address;
    int width = 0;
    int height = 0;
};

// The page's pictures in document order as the browser shows them; empty when it does not
// answer within `waitMs`.
std::vector<ShownPicture> ReadShownPictures(CWebBrowser2& browser, int waitMs = 2000);

// Gives each picture tag the size the browser shows it at, matching records and shown
// pictures in document order by address. A record the browser has no size for keeps what
// the page's text and the picture file told.
void TakeShownSizes(std::vector<PageImage>& images, const std::vector<ShownPicture>& shown);
