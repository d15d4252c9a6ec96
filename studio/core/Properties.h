#pragma once

#include <array>
#include <string>
#include <utility>

#include "geometry/Geometry.h"

namespace platform {
class Registry;
}

// The studio's preferences: the external editors, the thumbnail settings and the viewer
// defaults written into generated pages. Kept under the current user's
// Software\Vantelo\Kivo; loaded once, changed through the setters, written back only by
// Save (which the preferences sheet's confirmation calls), never at exit.
class Properties {
public:
    // Defaults only; nothing is read yet.
    explicit Properties(platform::Registry& registry);
    virtual ~Properties() = default;
    Properties(const Properties&) = delete;
    Properties& operator=(const Properties&) = delete;

    // The program's preferences, made from the user's registry and loaded at first use.
    static Properties& Instance();

    // Reads the values that are present; the others keep what they hold.
    void Load();
    // Writes every value, in one change of the registry, when something changed. False when
    // the registry could not be written (the changes stay marked).
    bool Save();
    bool IsChanged() const { return changed_; }

    const std::string& GetEditorImage() const { return editorImage_; }
    void SetEditorImage(const std::string& path) {
        editorImage_ = path;
        changed_ = true;
    }
    const std::string& GetEditorHtml() const { return editorHtml_; }
    void SetEditorHtml(const std::string& path) {
        editorHtml_ = path;
        changed_ = true;
    }

    Vector2<int> GetThumbSize() const { return thumbSize_; }
    void SetThumbSize(const Vector2<int>& size) {
        thumbSize_ = size;
        changed_ = true;
    }
    int GetThumbColor() const { return thumbColor_; }
    void SetThumbColor(int color) {
        thumbColor_ = color;
        changed_ = true;
    }
    int GetThumbQuality() const { return thumbQuality_; }
    void SetThumbQuality(int quality) {
        thumbQuality_ = quality;
        changed_ = true;
    }

    float GetMinZoom() const { return minZoom_; }
    void SetMinZoom(float zoom) {
        minZoom_ = zoom;
        changed_ = true;
    }
    float GetMaxZoom() const { return maxZoom_; }
    void SetMaxZoom(float zoom) {
        maxZoom_ = zoom;
        changed_ = true;
    }
    int GetBgColor() const { return bgColor_; }
    void SetBgColor(int color) {
        bgColor_ = color;
        changed_ = true;
    }
    int GetBorderColor() const { return borderColor_; }
    void SetBorderColor(int color) {
        borderColor_ = color;
        changed_ = true;
    }
    Vector2<int> GetBorderSize() const { return borderSize_; }
    void SetBorderSize(const Vector2<int>& size) {
        borderSize_ = size;
        changed_ = true;
    }
    int GetLock() const { return lock_; }
    void SetLock(int lock) {
        lock_ = lock;
        changed_ = true;
    }
    int GetFit() const { return fit_; }
    void SetFit(int fit) {
        fit_ = fit;
        changed_ = true;
    }
    float GetPosX() const { return position_.x; }
    void SetPosX(float x) {
        position_.x = x;
        changed_ = true;
    }
    float GetPosY() const { return position_.y; }
    void SetPosY(float y) {
        position_.y = y;
        changed_ = true;
    }
    float GetPosZ() const { return position_.z; }
    void SetPosZ(float z) {
        position_.z = z;
        changed_ = true;
    }

private:
    // The 4-byte values under their registry names, in the order they are read and written.
    std::array<std::pair<const char*, void*>, 15> NumberFields();

    platform::Registry& registry_;
    std::string editorImage_;
    std::string editorHtml_;
    Vector2<int> thumbSize_{48, 48};
    int thumbColor_ = 0xFFFFFF;
    int thumbQuality_ = 75;
    float minZoom_ = 0.1f;
    float maxZoom_ = 10.0f;
    int bgColor_ = 0xFFFFFF;
    int borderColor_ = 0;
    Vector2<int> borderSize_{1, 1};
    int lock_ = 0;
    int fit_ = 304;
    Vector3 position_{0, 0, 1};
    bool changed_ = false;
};
