#pragma once

#include <string>

struct PageImage;
struct VantelifyPage;

// The converted page: the page text with the page-script tag inserted behind "<head>" and
// every record's span replaced as chosen; byte for byte the page otherwise. A record that
// overlaps the one before it, or whose span lies outside the text, is left out.
std::string BuildPageText(const VantelifyPage& page);

// The replacement of one record's span.
std::string ZoomableLine(const PageImage& image);
std::string PlainPictureTag(const PageImage& image);
