#pragma once

#include <memory>
#include <string>

#include "geometry/Geometry.h"
#include "platform/window/Window.h"

// A hold on a window with hooks that display windows fill in. Every object is listed under
// its window handle for the life of the object. GUI thread.
class AKOT_Window {
public:
    using ModuleInstance = void*;

    AKOT_Window(ModuleInstance instance, platform::HWND window);
    virtual ~AKOT_Window();
    AKOT_Window(const AKOT_Window&) = delete;
    AKOT_Window& operator=(const AKOT_Window&) = delete;

    // The object listed for a window, or null.
    static AKOT_Window* FromHandle(platform::HWND window);

    // Pumps messages on a nested loop until WM_QUIT and returns its parameter; with `loop`
    // false, one pass and -1. In peek mode an idle pass calls OnIdle (while the idle flag is
    // set); otherwise each pass waits for messages.
    virtual int MessageLoop(bool loop);
    virtual bool OnIdle() { return true; }
    virtual int Hook(int) { return 0; }
    // Lets go of what the window draws with.
    virtual int ReleaseObjects() { return 0; }
    // Asks the window to close, later, as a posted WM_CLOSE does.
    virtual void Close();
    // Shows the frame drawn last.
    virtual bool Flip() { return true; }
    // The window's client area moved to (x, y) on the screen.
    virtual bool OnMove(int, int) { return false; }
    virtual void Hook8() {}
    virtual void OnDestroy() {}

    // Typed characters, oldest first: null when there are none.
    virtual const char* GetKeyBuffer() const;
    virtual void ClearKeyBuffer();
    // Removes the first `key` and everything typed before it; nothing when it is absent.
    virtual void RemoveKey(char key);
    // Where `key` first is; 0 when absent (so also for a key at the front).
    virtual int FindKey(char key) const;
    virtual int GetWidth() const { return width_; }
    virtual int GetHeight() const { return height_; }
    virtual void SetFlag(int flag) { flag_ = static_cast<unsigned char>(flag); }
    virtual int GetFlag() const { return flag_; }
    virtual void Hook18(int) {}
    virtual void Hook19(int) {}
    virtual void Hook20(int, int) {}

    // A character typed into the window.
    void AddKey(char key) { keys_.push_back(key); }

    platform::HWND handle() const { return hwnd_; }
    ModuleInstance instance() const { return instance_; }
    // The layer's hold on the window: its framebuffer and rectangles. Null for a null handle.
    platform::Window* window() const { return window_.get(); }

    void SetPeekMode(bool peek) { peekMode_ = peek; }
    void SetIdle(bool idle) { idle_ = idle; }

protected:
    // Holds another window from now on, listed under its handle instead.
    void Retarget(platform::HWND window);

    Vector2<int> size_;
    int width_ = 0;  // the client area, 0 until known
    int height_ = 0;

private:
    platform::HWND hwnd_;
    ModuleInstance instance_;
    std::unique_ptr<platform::Window> window_;
    bool peekMode_ = true;
    bool idle_ = true;
    unsigned char flag_ = 1;
    std::string keys_;
};
