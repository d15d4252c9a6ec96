#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/JpegWriter.h"
#include "platform/bitmap/DibSection.h"
#include "platform/registry/Registry.h"
#include "studio/projects/Gallery.h"
#include "testing/TempDir.h"

namespace gallery_testing {

// A gallery whose state the tests may set and read directly.
class OpenGallery : public Gallery {
public:
    using Gallery::currentImage;
    using Gallery::currentPage;
    using Gallery::Gallery;
    using Gallery::images;
    using Gallery::imagesPerPage;
    using Gallery::pageTotal;
    using Gallery::variables;

    void Append(const std::string& name) { images.emplace_back().fileName = name; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const GalleryImage& image : images) names.push_back(image.fileName);
        return names;
    }
};

// A temporary folder that stands in for the system's (TMPDIR) while it lives, and a
// registry of its own for the preferences.
class GalleryEnvironment {
public:
    GalleryEnvironment()
        : tmp_(root_.Path("tmp") + "/"), registry_(root_.Path("registry")), properties_(registry_) {
        std::filesystem::create_directories(tmp_);
        if (const char* old = std::getenv("TMPDIR")) previous_ = old;
        setenv("TMPDIR", tmp_.c_str(), 1);
    }
    ~GalleryEnvironment() {
        if (previous_) {
            setenv("TMPDIR", previous_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    GalleryEnvironment(const GalleryEnvironment&) = delete;
    GalleryEnvironment& operator=(const GalleryEnvironment&) = delete;

    const testing_support::TempDir& root() const { return root_; }
    // The stand-in temporary folder, with a trailing '/'.
    const std::string& tmp() const { return tmp_; }
    Properties& properties() { return properties_; }

private:
    testing_support::TempDir root_;
    std::string tmp_;
    platform::Registry registry_;
    Properties properties_;
    std::optional<std::string> previous_;
};

// The names of the plain files of a folder.
inline std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_directory()) names.insert(entry.path().filename().string());
    }
    return names;
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A JPEG picture of the size, its colours set by `seed`.
inline void WriteJpeg(const std::string& path, int width, int height, int seed = 0) {
    auto dib = platform::DibSection::Create(width, -height, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = dib->Row(y);
        for (int x = 0; x < width * 3; ++x)
            p[x] = static_cast<std::uint8_t>(x * 5 + y * 3 + seed * 40);
    }
    PictureInfo info;
    info.SetFromBitmapInfoHeader(dib->header(), nullptr);
    info.pixels = dib->Row(0);
    EXPECT_TRUE(SaveJPG(info, path, 85)) << path;
}

}  // namespace gallery_testing
