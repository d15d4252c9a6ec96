#pragma once

#include <memory>
#include <string>

#include <QWidget>

#include "studio/shell/viewer/ViewerControl.h"

// The window of the viewer control (control 1004). Without a control it is an empty window:
// every call does nothing and reads give empty or false.
class Vantelo final : public QWidget {
public:
    static constexpr int kControlId = 1004;

    Vantelo(std::unique_ptr<ViewerControl> control, QWidget* parent);
    ~Vantelo() override;

    bool HasControl() const { return control_ != nullptr; }
    ViewerControl* control() const { return control_.get(); }
    void SetEvents(ViewerControl::Events events);

    void SetFilename(const std::string& path);
    std::string GetFilename();
    bool GetPosition(float& x, float& y, float& z);
    bool ShowsPicture();
    void SetBgColor(long color);
    void SetFit(long fit);
    void SetFullscreen(long on);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<ViewerControl> control_;
};
