#pragma once

#include <functional>
#include <string>

class QWidget;

// The outside viewer control as the viewer pane drives it: the members it uses and the
// window it draws in. Implementations call the events from the GUI thread.
class ViewerControl {
public:
    struct Events {
        // The view moved or zoomed: the centre's picture position and the zoom.
        std::function<void(float x, float y, float z)> changedPos;
        // A picture finished loading.
        std::function<void()> onLoad;
    };

    virtual ~ViewerControl() = default;

    // The window it draws in: the pane takes it as a child and deletes it after the control.
    virtual QWidget* widget() = 0;
    virtual void SetEvents(Events events) = 0;

    virtual void SetFilename(const std::string& path) = 0;
    virtual std::string GetFilename() = 0;
    // False when the control could not tell.
    virtual bool GetPosition(float& x, float& y, float& z) = 0;
    // Whether a picture shows; after OnLoad, false means the load failed. A control that
    // cannot tell is taken to show one.
    virtual bool ShowsPicture() { return true; }
    virtual void SetBgColor(long color) = 0;
    virtual void SetFit(long fit) = 0;
    virtual void SetFullscreen(long on) = 0;
};
