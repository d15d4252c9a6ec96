#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "studio/projects/PageImage.h"

class PageDocument;

// Reads a page file twice, as raw text (for the exact span of every picture tag and every
// block an earlier conversion wrote) and as a document (for each picture's address, label,
// size and link), and matches the two into one list in text order. The page text, the head
// insertion offset, whether the page has a body and whether it holds a viewer call that the
// studio did not write come back through the out-values. A file that cannot be opened gives
// an empty list and leaves the out-values alone.
std::vector<PageImage> ScanPageFile(const std::string& path, std::string& text, int& headOffset,
                                    bool& hasBody, bool& foreign);

// The same for a page already read; `folder` is its folder, ending in '/'.
std::vector<PageImage> ScanPage(const std::string& text, const std::string& folder, int& headOffset,
                                bool& hasBody, bool& foreign);

// The text half: picture tags and earlier blocks with their spans, in text order. Tags inside
// comments, scripts and other raw-text elements, and inside <noscript>, are not pictures of
// the page and are left out (among them the fallback picture of an earlier block).
std::vector<PageImage> ScanPageText(std::string_view text, int& headOffset, bool& hasBody);

// The document half.
std::vector<PageImage> ScanDocument(const PageDocument& document, bool& foreign);

// Gives each text record the document record of the same kind that belongs to it (by
// position when both lists are equally long, else by address) and returns the document
// records with the text's spans, in text order. Text records without a partner are dropped.
std::vector<PageImage> MatchPageImages(const std::vector<PageImage>& textImages,
                                       std::vector<PageImage> documentImages);

// The record's source names a picture file.
bool IsImageSource(const PageImage& image);

// Fills in a record's defaults after a scan, as the page sheet shows them: a picture tag is
// offered at its shown size with its link target (else itself) as the zoom source; an
// earlier block keeps what its line said. Then the picture file's own size and bytes are
// read (relative names from `folder`, which ends in '/').
void FillPageDefaults(PageImage& image, const std::string& folder);
