#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "platform/npapi/Npapi.h"

namespace testing_support {

// A browser, as far as a plug-in library can tell: it loads the library with dlopen, hands
// over its own function table, makes instances with the embed tag's attributes on windows
// of its own, and drives them. Its table records what the plug-in asks: geturl keeps the
// URLs, memalloc and memfree work, every other entry notes its name and fails; tests may
// replace any entry before Initialize. Frames come when the test asks for them (the
// plug-in's own pacing is off unless the host is made with it on). One host at a time;
// GUI thread only.
class NpapiHost {
public:
    class Instance;
    struct UrlRequest {
        std::string url;
        bool withTarget = false;
    };
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    explicit NpapiHost(bool pacing = false);
    // Destroys what is left, then NP_Shutdown and dlclose when they are still due.
    ~NpapiHost();
    NpapiHost(const NpapiHost&) = delete;
    NpapiHost& operator=(const NpapiHost&) = delete;

    bool Load(const std::string& path);
    const std::string& LoadError() const { return loadError_; }
    void* Symbol(const char* name) const;

    // The exports, one at a time (a browser may call the first two in either order) or
    // both in the usual order.
    NPError GetEntryPoints();
    NPError Initialize();
    NPError Start();
    NPError Shutdown();
    // dlclose; false when the library was not loaded or dlclose failed.
    bool Unload();

    NPNetscapeFuncs& Browser() { return browser_; }
    NPPluginFuncs& Plugin() { return plugin_; }

    const std::vector<UrlRequest>& Urls() const { return urls_; }
    std::vector<std::string> UrlTexts() const;
    void ClearUrls() { urls_.clear(); }
    // Entries of the table that are not implemented here, in the order they were called.
    const std::vector<std::string>& OtherCalls() const { return otherCalls_; }
    // Blocks from memalloc not yet given back with memfree.
    int LiveBlocks() const { return static_cast<int>(blocks_.size()); }

    // NPP_New with these attributes; `result` gets its answer. Null when it failed. An
    // object given no attributes is an embed that names only its type, as a browser passes
    // it (`mimeType` as its "type").
    std::unique_ptr<Instance> NewInstance(const Attributes& attributes, NPError* result = nullptr,
                                          std::uint16_t mode = NP_EMBED,
                                          const char* mimeType = "application/x-vantelo-plugin");

    // The browser's Java: getJavaEnv answers `env` (null: none) and counts its calls;
    // getJavaPeer answers what the instance was given with SetJavaPeer.
    void UseJava(JRIEnv* env);
    int JavaEnvCalls() const { return javaEnvCalls_; }

    // Runs the toolkit's waiting events.
    static void Pump();

private:
    friend class Instance;
    static NpapiHost* current_;
    static NPError GetUrl(NPP, const char* url, const char* target);
    static void* MemAlloc(std::uint32_t size);
    static void MemFree(void* block);

    void* library_ = nullptr;
    bool shutdownDue_ = false;
    std::string loadError_;
    NPNetscapeFuncs browser_;
    NPPluginFuncs plugin_;
    std::vector<UrlRequest> urls_;
    std::vector<std::string> otherCalls_;
    std::vector<void*> blocks_;
    std::vector<Instance*> instances_;
    JRIEnv* javaEnv_ = nullptr;
    int javaEnvCalls_ = 0;
};

// One embedded object and its window.
class NpapiHost::Instance {
public:
    Instance(NpapiHost& host, const Attributes& attributes);
    // NPP_Destroy when still due; the window goes after it.
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    NPP npp() { return &npp_; }
    NPError New(std::uint16_t mode, const char* mimeType = "application/x-vantelo-plugin");

    // A shown window of that size for the instance, not yet handed over; with a parent, a
    // child of it at (0, 0).
    QWidget* MakeWindow(int width, int height, QWidget* parent = nullptr);
    QWidget* window() const { return window_.data(); }
    // NPP_SetWindow with the window (a null handle when there is none).
    NPError SetWindow();
    NPError SetWindow(NPWindow* window);
    // Deletes the window, as a browser does when the page goes (the instance may live on).
    void DestroyWindow();
    NPError Destroy();
    bool Destroyed() const { return destroyed_; }

    // Posts the frame message to the window and runs the events until it was handled.
    void Frame(int count = 1);
    // The window's pixels as they are shown.
    QImage Grab();
    // Input on the window, in its client coordinates.
    void MouseMove(int x, int y);
    void MousePress(int x, int y, Qt::MouseButton button);
    void MouseRelease(int x, int y, Qt::MouseButton button);
    void Key(int qtKey);
    // A key pressed and released where the application's keyboard focus is (the window
    // when nothing has it), as the system delivers keys.
    void KeyToFocus(int qtKey);

    // The embed's source: NPP_NewStream, then the bytes in pieces of at most `piece` as
    // NPP_WriteReady allows, then NPP_DestroyStream with `reason`.
    struct StreamAnswers {
        NPError newStream = -1;
        std::uint16_t stype = 0;
        std::int32_t writeReady = 0;  // the first answer
        std::int64_t accepted = 0;    // NPP_Write's answers added up
        NPError destroyStream = -1;
    };
    StreamAnswers Stream(const std::string& bytes, NPReason reason = 0, std::size_t piece = 4096,
                         const char* type = "application/octet-stream");
    // NPP_Print with the record as given.
    void Print(NPPrint* print);
    // What the browser's getJavaPeer answers for this instance.
    void SetJavaPeer(jref peer) { javaPeer_ = peer; }

    // NPP_GetValue; the scriptable peer (one reference for the caller) or null.
    NPError GetValue(NPPVariable variable, void* value);
    template <class Interface>
    Interface* Peer() {
        void* peer = nullptr;
        if (GetValue(NPPVpluginScriptableInstance, &peer) != NPERR_NO_ERROR) return nullptr;
        return static_cast<Interface*>(peer);
    }

private:
    friend class NpapiHost;
    // The plug-in's functions while the host lives.
    const NPPluginFuncs* Funcs() const;

    NpapiHost* host_;
    NPP_t npp_;
    std::vector<std::string> names_;
    std::vector<std::string> values_;
    std::vector<char*> argn_;
    std::vector<char*> argv_;
    NPWindow record_;
    QPointer<QWidget> window_;
    bool created_ = false;
    bool destroyed_ = false;
    jref javaPeer_ = 0;
};

}  // namespace testing_support
