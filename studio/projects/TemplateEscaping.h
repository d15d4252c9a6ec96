#pragma once

#include <string>
#include <string_view>

// A picture's name is not the template author's text: it may hold quotes, '&', '#', '%',
// angle brackets and any letter, and must neither break the page nor run in it. Where a name
// lands is judged from the page text written before it, and the name is made safe for that
// place. The author's own variables are not passed through here: an author may mean HTML.

enum class OutputPlace {
    HtmlText,              // between tags
    HtmlAttribute,         // inside a quoted attribute value
    HtmlBareAttribute,     // inside an attribute value without quotes
    ScriptCode,            // inside a script element, outside any string
    ScriptString,          // inside a string of a script element
    EventAttributeCode,    // inside an on... attribute, outside any string
    EventAttributeString,  // inside a string of an on... attribute
};

// Where text written right after `written` lands.
OutputPlace PlaceAfter(std::string_view written);

// '&', '<', '>', '"' and '\'' as character references; with `blanks`, white space too.
std::string EscapeHtml(std::string_view text, bool blanks = false);
// The contents of a script string literal in either quote: backslashes, quotes, control
// characters, '<', '>', '&' and the two line separators as escapes.
std::string EscapeScriptString(std::string_view text);
// A file name as a relative address: every byte but letters, digits and "-._~" as %XX.
std::string EncodeUrlComponent(std::string_view name);

// How a name's text is meant.
enum class NameKind {
    Text,     // shown to the reader (a picture's name)
    Address,  // a file the page loads or links (a picture, a thumbnail)
    List,     // a script list of addresses, each already in double quotes
};

// The name's text made safe where it lands. Addresses are percent-encoded by the caller
// (EncodeUrlComponent); a name in script code outside a string becomes a string literal.
std::string PlaceName(std::string_view text, NameKind kind, OutputPlace place);
