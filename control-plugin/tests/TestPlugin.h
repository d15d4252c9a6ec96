#pragma once

#include <string>
#include <vector>

#include "control-plugin/framework/NsxActiveXPlugin.h"

namespace control_plugin_test {

// A plug-in class of the tests' own: it notes what the framework does with it.
class TestPlugin : public CNsxActiveXPlugin {
public:
    TestPlugin() { ++alive; }
    ~TestPlugin() override { --alive; }

    bool AttachWindow(platform::HWND window) override {
        calls.push_back("attach");
        return CNsxActiveXPlugin::AttachWindow(window);
    }
    bool DetachWindow() override {
        calls.push_back("detach");
        return CNsxActiveXPlugin::DetachWindow();
    }
    void OnDraw(platform::DrawContext& dc, const Rect& rect) override {
        drawnOn.push_back(&dc);
        drawnIn.push_back(rect);
    }

    static int alive;
    std::vector<std::string> calls;
    std::vector<platform::DrawContext*> drawnOn;
    std::vector<Rect> drawnIn;
};

}  // namespace control_plugin_test
