#pragma once

#include <string>
#include <vector>

#include <gumbo.h>

namespace gallery_testing {

// The href and src values of the page, those of <noscript> fallbacks included, and the
// ".jpg" names its scripts hand to the page script.
inline void CollectLinks(const GumboNode* node, std::vector<std::string>& urls) {
    if (node->type != GUMBO_NODE_ELEMENT) return;
    const GumboElement& element = node->v.element;
    for (const char* name : {"href", "src"}) {
        if (const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name)) {
            urls.push_back(attribute->value);
        }
    }
    for (unsigned i = 0; i < element.children.length; ++i) {
        const auto* child = static_cast<const GumboNode*>(element.children.data[i]);
        if (child->type == GUMBO_NODE_TEXT && element.tag == GUMBO_TAG_NOSCRIPT) {
            // A parser with scripting on keeps the fallback as text: parse it on its own.
            GumboOutput* inner = gumbo_parse(child->v.text.text);
            CollectLinks(inner->root, urls);
            gumbo_destroy_output(&kGumboDefaultOptions, inner);
        } else if (child->type == GUMBO_NODE_TEXT && element.tag == GUMBO_TAG_SCRIPT) {
            const std::string script = child->v.text.text;
            for (std::size_t at = 0; (at = script.find_first_of("'\"", at)) != std::string::npos;) {
                const std::size_t end = script.find(script[at], at + 1);
                if (end == std::string::npos) break;
                const std::string text = script.substr(at + 1, end - at - 1);
                if (text.ends_with(".jpg")) urls.push_back(text);
                at = end + 1;
            }
        }
        CollectLinks(child, urls);
    }
}

}  // namespace gallery_testing
