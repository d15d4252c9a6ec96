#pragma once

#include <map>
#include <span>
#include <string>

class CVanteloPlugin;

// The page function each script event is bound to, by the page plug-in's event ids (0 to 5).
using EventNameMap = std::map<int, std::string>;

// The embedding tag's attributes, read once as the viewer is made and before it has a window:
// each "param_" attribute goes through the viewer's setter (in order, so a repeated one ends
// with its last value), each "event_" attribute binds a page function in `eventNames`. Names
// are matched without regard to case; others, and null entries, are passed over. Only as many
// attributes as both lists hold are read.
void ApplyEmbedAttributes(CVanteloPlugin& viewer, std::span<const char* const> names,
                          std::span<const char* const> values, EventNameMap& eventNames);
