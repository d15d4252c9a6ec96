#pragma once

#include <cstddef>

// Resources carried inside the plug-in (cmake/EmbedResources.cmake writes the tables): a
// module's pictures and data found by number and type, as a program finds its own.
constexpr int RT_RCDATA = 10;

struct EmbeddedResource {
    int id;
    int type;
    const unsigned char* data;
    std::size_t size;
};

struct ResourceModule {
    const EmbeddedResource* entries;
    std::size_t count;
};

// The entry of that number and type, or null (also for a null module).
const EmbeddedResource* FindResource(const ResourceModule* module, int id, int type);

// The viewer plug-in's own resources.
const ResourceModule& ViewerResources();

// The logo drawn while a picture loads.
constexpr int kLogoResource = 211;
constexpr const char* kLogoResourceName = "logo.png";
