// The template language on an untrusted template: a gallery of three images (no picture
// files) generates its pages with the input as both its index and its image template.
// Everything lives in a temporary folder made at start.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <stdlib.h>

#include "platform/debug/Debug.h"
#include "platform/registry/Registry.h"
#include "studio/core/DataFolder.h"
#include "studio/core/Properties.h"
#include "studio/projects/Gallery.h"

namespace {

class FuzzGallery : public Gallery {
public:
    using Gallery::Gallery;
    void Reset() {
        Clear();
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
            GalleryImage image;
            image.fileName = name;
            images.push_back(image);
        }
    }
    // Everything a run made is let go within the run, or every run would look like a leak.
    void Clear() {
        images.clear();
        ClearVariables();
        generatedPages.clear();
    }
};

std::string MakeRoot() {
    char pattern[] = "/tmp/vantelo-fuzz-template-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    return pattern;
}

struct Environment {
    Environment() {
        setenv("TMPDIR", root.c_str(), 1);
        std::filesystem::create_directories(root + "/data/templates");
        SetDataFolder(root + "/data");
        gallery.Initialize(nullptr);
        gallery.SetTemplate("t");
    }
    ~Environment() { std::filesystem::remove_all(root); }

    std::string root = MakeRoot();
    std::string templates = root + "/data/templates/";
    platform::Registry registry{root + "/registry"};
    Properties properties{registry};
    FuzzGallery gallery{properties};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::SetDebugSilent(true);
    static Environment env;
    for (const char* name : {"thumb_t.vtt", "image_t.vtt"}) {
        std::ofstream(env.templates + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    env.gallery.Reset();
    env.gallery.Generate();
    env.gallery.Clear();
    return 0;
}
