#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The character references of an attribute value decoded as a browser reads them (the
// common named ones and numeric ones); anything else stays as written.
std::string DecodeCharacterReferences(std::string_view text);

// A page's document as a scripting browser builds it, read with an HTML parser in place of
// the browser's own: the anchors, pictures, scripts and objects, in document order. Content
// of <noscript> is left out, as a browser with scripting on reads it as text.
class PageDocument {
public:
    enum class Kind { Anchor, Image, Script, Object };

    struct Element {
        Kind kind = Kind::Image;
        // Names lower-cased; values from the page's own bytes (any encoding survives), with
        // character references decoded.
        std::vector<std::pair<std::string, std::string>> attributes;
        // src of an image or script, href of an anchor, data of an object, resolved against
        // the page folder as a browser resolves it; empty when the attribute is empty.
        std::string url;
        int anchor = -1;  // index of the enclosing anchor, -1 when none
        // Span in the page text from the start tag to the end of the end tag (the start tag
        // alone when the end tag was implied); start -1 for an element the parser made up.
        int start = -1;
        int length = 0;
        std::string text;  // a script's text as written
        // An image's size on the page: its width and height attributes, else the picture's
        // own size, a missing side following the picture's aspect ratio; 0 when unknown.
        int shownWidth = 0;
        int shownHeight = 0;

        bool Has(std::string_view name) const;
        std::string Attribute(std::string_view name) const;  // empty when missing
    };

    // `folder` is the page's folder ending in '/': relative addresses are resolved against
    // it and the pictures' own sizes are read from it.
    PageDocument(std::string_view page, std::string folder);

    // "file://" followed by the folder.
    const std::string& FolderUrl() const { return folderUrl_; }
    const std::vector<Element>& Elements() const { return elements_; }

    // Resolves an address written in the page against the page folder.
    std::string Resolve(std::string_view reference) const;

private:
    void ReadShownSize(Element& image) const;

    std::string folderUrl_;
    std::vector<Element> elements_;
};
