#include "testing/NpapiHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace testing_support {
namespace {

// The plug-in's frame message, posted straight to its window as a browser host would.
constexpr int kFrameMessage = 0x0400 + 101;

}  // namespace

NpapiHost* NpapiHost::current_ = nullptr;

// Table entries this host does not implement note their names and fail.
#define NPAPI_HOST_RECORD(name)                                                               \
    do {                                                                                      \
        if (NpapiHost::current_ != nullptr) NpapiHost::current_->otherCalls_.push_back(name); \
    } while (false)

NpapiHost::NpapiHost(bool pacing) {
    current_ = this;
    if (pacing) {
        ::unsetenv("VANTELO_PACING");
    } else {
        ::setenv("VANTELO_PACING", "manual", 1);
    }
    browser_.size = sizeof(NPNetscapeFuncs);
    browser_.version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
    browser_.geturl = &NpapiHost::GetUrl;
    browser_.memalloc = &NpapiHost::MemAlloc;
    browser_.memfree = &NpapiHost::MemFree;
    browser_.posturl = [](NPP, const char*, const char*, std::uint32_t, const char*,
                          NPBool) -> NPError {
        NPAPI_HOST_RECORD("posturl");
        return NPERR_GENERIC_ERROR;
    };
    browser_.requestread = [](NPStream*, NPByteRange*) -> NPError {
        NPAPI_HOST_RECORD("requestread");
        return NPERR_GENERIC_ERROR;
    };
    browser_.newstream = [](NPP, NPMIMEType, const char*, NPStream**) -> NPError {
        NPAPI_HOST_RECORD("newstream");
        return NPERR_GENERIC_ERROR;
    };
    browser_.write = [](NPP, NPStream*, std::int32_t, void*) -> std::int32_t {
        NPAPI_HOST_RECORD("write");
        return -1;
    };
    browser_.destroystream = [](NPP, NPStream*, NPReason) -> NPError {
        NPAPI_HOST_RECORD("destroystream");
        return NPERR_GENERIC_ERROR;
    };
    browser_.status = [](NPP, const char*) { NPAPI_HOST_RECORD("status"); };
    browser_.uagent = [](NPP) -> const char* {
        NPAPI_HOST_RECORD("uagent");
        return nullptr;
    };
    browser_.memflush = [](std::uint32_t) -> std::uint32_t {
        NPAPI_HOST_RECORD("memflush");
        return 0;
    };
    browser_.reloadplugins = [](NPBool) { NPAPI_HOST_RECORD("reloadplugins"); };
    browser_.getJavaEnv = []() -> JRIEnv* {
        NPAPI_HOST_RECORD("getJavaEnv");
        return nullptr;
    };
    browser_.getJavaPeer = [](NPP) -> jref {
        NPAPI_HOST_RECORD("getJavaPeer");
        return 0;
    };
    browser_.geturlnotify = [](NPP, const char*, const char*, void*) -> NPError {
        NPAPI_HOST_RECORD("geturlnotify");
        return NPERR_GENERIC_ERROR;
    };
    browser_.posturlnotify = [](NPP, const char*, const char*, std::uint32_t, const char*, NPBool,
                                void*) -> NPError {
        NPAPI_HOST_RECORD("posturlnotify");
        return NPERR_GENERIC_ERROR;
    };
    browser_.getvalue = [](NPP, NPNVariable, void*) -> NPError {
        NPAPI_HOST_RECORD("getvalue");
        return NPERR_GENERIC_ERROR;
    };
    browser_.setvalue = [](NPP, NPPVariable, void*) -> NPError {
        NPAPI_HOST_RECORD("setvalue");
        return NPERR_GENERIC_ERROR;
    };
    browser_.invalidaterect = [](NPP, NPRect*) { NPAPI_HOST_RECORD("invalidaterect"); };
    browser_.invalidateregion = [](NPP, NPRegion) { NPAPI_HOST_RECORD("invalidateregion"); };
    browser_.forceredraw = [](NPP) { NPAPI_HOST_RECORD("forceredraw"); };
    plugin_.size = sizeof(NPPluginFuncs);
}

#undef NPAPI_HOST_RECORD

NpapiHost::~NpapiHost() {
    // Instances the test still holds outlive the library: they are destroyed now and call
    // nothing later.
    for (Instance* instance : instances_) {
        instance->Destroy();
        instance->host_ = nullptr;
    }
    if (shutdownDue_) Shutdown();
    Unload();
    for (void* block : blocks_) std::free(block);
    if (current_ == this) current_ = nullptr;
}

bool NpapiHost::Load(const std::string& path) {
    dlerror();
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        const char* error = dlerror();
        loadError_ = error != nullptr ? error : "dlopen failed";
        return false;
    }
    return true;
}

void* NpapiHost::Symbol(const char* name) const {
    return library_ != nullptr ? dlsym(library_, name) : nullptr;
}

NPError NpapiHost::GetEntryPoints() {
    auto entry = reinterpret_cast<NP_GetEntryPointsFunc>(Symbol("NP_GetEntryPoints"));
    if (entry == nullptr) return NPERR_MODULE_LOAD_FAILED_ERROR;
    return entry(&plugin_);
}

NPError NpapiHost::Initialize() {
    auto entry = reinterpret_cast<NP_InitializeFunc>(Symbol("NP_Initialize"));
    if (entry == nullptr) return NPERR_MODULE_LOAD_FAILED_ERROR;
    const NPError result = entry(&browser_);
    shutdownDue_ = shutdownDue_ || result == NPERR_NO_ERROR;
    return result;
}

NPError NpapiHost::Start() {
    const NPError points = GetEntryPoints();
    if (points != NPERR_NO_ERROR) return points;
    return Initialize();
}

NPError NpapiHost::Shutdown() {
    auto entry = reinterpret_cast<NP_ShutdownFunc>(Symbol("NP_Shutdown"));
    if (entry == nullptr) return NPERR_MODULE_LOAD_FAILED_ERROR;
    shutdownDue_ = false;
    return entry();
}

bool NpapiHost::Unload() {
    if (library_ == nullptr) return false;
    void* library = std::exchange(library_, nullptr);
    plugin_ = NPPluginFuncs{};
    plugin_.size = sizeof(NPPluginFuncs);
    return dlclose(library) == 0;
}

std::vector<std::string> NpapiHost::UrlTexts() const {
    std::vector<std::string> texts;
    for (const UrlRequest& request : urls_) texts.push_back(request.url);
    return texts;
}

std::unique_ptr<NpapiHost::Instance> NpapiHost::NewInstance(const Attributes& attributes,
                                                            NPError* result, std::uint16_t mode,
                                                            const char* mimeType) {
    const Attributes typed = {{"type", mimeType != nullptr ? mimeType : ""}};
    auto instance = std::make_unique<Instance>(*this, attributes.empty() ? typed : attributes);
    const NPError answer = instance->New(mode, mimeType);
    if (result != nullptr) *result = answer;
    if (answer != NPERR_NO_ERROR) return nullptr;
    return instance;
}

void NpapiHost::UseJava(JRIEnv* env) {
    javaEnv_ = env;
    browser_.getJavaEnv = []() -> JRIEnv* {
        if (current_ == nullptr) return nullptr;
        ++current_->javaEnvCalls_;
        return current_->javaEnv_;
    };
    browser_.getJavaPeer = [](NPP npp) -> jref {
        if (current_ == nullptr || npp == nullptr) return 0;
        for (const Instance* instance : current_->instances_) {
            if (&instance->npp_ == npp) return instance->javaPeer_;
        }
        return 0;
    };
}

void NpapiHost::Pump() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

NPError NpapiHost::GetUrl(NPP, const char* url, const char* target) {
    if (current_ == nullptr || url == nullptr) return NPERR_GENERIC_ERROR;
    current_->urls_.push_back(UrlRequest{url, target != nullptr});
    return NPERR_NO_ERROR;
}

void* NpapiHost::MemAlloc(std::uint32_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr && current_ != nullptr) current_->blocks_.push_back(block);
    return block;
}

void NpapiHost::MemFree(void* block) {
    if (block == nullptr) return;
    if (current_ != nullptr) {
        auto& blocks = current_->blocks_;
        blocks.erase(std::remove(blocks.begin(), blocks.end(), block), blocks.end());
    }
    std::free(block);
}

NpapiHost::Instance::Instance(NpapiHost& host, const Attributes& attributes) : host_(&host) {
    for (const auto& [name, value] : attributes) {
        names_.push_back(name);
        values_.push_back(value);
    }
    for (std::size_t i = 0; i < names_.size(); ++i) {
        argn_.push_back(names_[i].data());
        argv_.push_back(values_[i].data());
    }
    host_->instances_.push_back(this);
}

NpapiHost::Instance::~Instance() {
    Destroy();
    delete window_.data();
    if (host_ != nullptr) {
        auto& list = host_->instances_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

NPError NpapiHost::Instance::New(std::uint16_t mode, const char* mimeType) {
    if (Funcs() == nullptr || Funcs()->newp == nullptr) return NPERR_MODULE_LOAD_FAILED_ERROR;
    const bool none = argn_.empty();
    const NPError result = Funcs()->newp(
        const_cast<char*>(mimeType), &npp_, mode, static_cast<std::int16_t>(argn_.size()),
        none ? nullptr : argn_.data(), none ? nullptr : argv_.data(), nullptr);
    created_ = result == NPERR_NO_ERROR;
    return result;
}

QWidget* NpapiHost::Instance::MakeWindow(int width, int height, QWidget* parent) {
    delete window_.data();
    window_ = new QWidget(parent);
    window_->setGeometry(0, 0, width, height);
    window_->show();
    NpapiHost::Pump();
    return window_.data();
}

NPError NpapiHost::Instance::SetWindow() {
    record_ = NPWindow{};
    record_.window = window_.data();
    if (window_) {
        record_.width = static_cast<std::uint32_t>(window_->width());
        record_.height = static_cast<std::uint32_t>(window_->height());
        record_.clipRect.right = static_cast<std::uint16_t>(window_->width());
        record_.clipRect.bottom = static_cast<std::uint16_t>(window_->height());
    }
    return SetWindow(&record_);
}

NPError NpapiHost::Instance::SetWindow(NPWindow* window) {
    if (Funcs() == nullptr || Funcs()->setwindow == nullptr) {
        return NPERR_MODULE_LOAD_FAILED_ERROR;
    }
    const NPError result = Funcs()->setwindow(&npp_, window);
    // A window the plug-in could not take ends the instance there.
    if (result == NPERR_MODULE_LOAD_FAILED_ERROR) destroyed_ = true;
    return result;
}

void NpapiHost::Instance::DestroyWindow() {
    delete window_.data();
    NpapiHost::Pump();
}

NPError NpapiHost::Instance::Destroy() {
    if (!created_ || destroyed_ || Funcs() == nullptr || Funcs()->destroy == nullptr) {
        return NPERR_NO_ERROR;
    }
    destroyed_ = true;
    return Funcs()->destroy(&npp_, nullptr);
}

NpapiHost::Instance::StreamAnswers NpapiHost::Instance::Stream(const std::string& bytes,
                                                               NPReason reason, std::size_t piece,
                                                               const char* type) {
    StreamAnswers answers;
    const NPPluginFuncs* f = Funcs();
    if (f == nullptr || f->newstream == nullptr) return answers;
    NPStream stream;
    stream.url = "http://localhost/source";
    stream.end = static_cast<std::uint32_t>(bytes.size());
    answers.stype = NP_NORMAL;
    answers.newStream = f->newstream(&npp_, const_cast<char*>(type), &stream, 0, &answers.stype);
    if (answers.newStream != NPERR_NO_ERROR) return answers;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const std::int32_t ready = f->writeready != nullptr ? f->writeready(&npp_, &stream) : 0;
        if (offset == 0) answers.writeReady = ready;
        if (ready <= 0) break;
        const std::size_t length =
            std::min({piece, bytes.size() - offset, static_cast<std::size_t>(ready)});
        std::string chunk = bytes.substr(offset, length);
        const std::int32_t taken = f->write != nullptr
                                       ? f->write(&npp_, &stream, static_cast<std::int32_t>(offset),
                                                  static_cast<std::int32_t>(length), chunk.data())
                                       : -1;
        if (taken < 0) break;
        answers.accepted += taken;
        offset += length;
    }
    if (f->destroystream != nullptr)
        answers.destroyStream = f->destroystream(&npp_, &stream, reason);
    return answers;
}

void NpapiHost::Instance::Print(NPPrint* print) {
    if (Funcs() != nullptr && Funcs()->print != nullptr) Funcs()->print(&npp_, print);
}

void NpapiHost::Instance::Frame(int count) {
    for (int i = 0; i < count; ++i) {
        if (!window_) return;
        QCoreApplication::postEvent(
            window_.data(), new QEvent(static_cast<QEvent::Type>(QEvent::User + kFrameMessage)));
        NpapiHost::Pump();
    }
}

QImage NpapiHost::Instance::Grab() {
    if (!window_) return {};
    NpapiHost::Pump();
    return window_->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void NpapiHost::Instance::MouseMove(int x, int y) {
    if (!window_) return;
    const QPointF local(x, y);
    QMouseEvent event(QEvent::MouseMove, local, window_->mapToGlobal(local), Qt::NoButton,
                      QApplication::mouseButtons(), Qt::NoModifier);
    QApplication::sendEvent(window_.data(), &event);
}

void NpapiHost::Instance::MousePress(int x, int y, Qt::MouseButton button) {
    if (!window_) return;
    const QPointF local(x, y);
    QMouseEvent event(QEvent::MouseButtonPress, local, window_->mapToGlobal(local), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(window_.data(), &event);
}

void NpapiHost::Instance::MouseRelease(int x, int y, Qt::MouseButton button) {
    if (!window_) return;
    const QPointF local(x, y);
    QMouseEvent event(QEvent::MouseButtonRelease, local, window_->mapToGlobal(local), button,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window_.data(), &event);
}

void NpapiHost::Instance::Key(int qtKey) {
    if (!window_) return;
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
    QApplication::sendEvent(window_.data(), &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, Qt::NoModifier);
    QApplication::sendEvent(window_.data(), &release);
}

void NpapiHost::Instance::KeyToFocus(int qtKey) {
    QPointer<QWidget> target = QApplication::focusWidget();
    if (!target) target = window_;
    if (!target) return;
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
    QApplication::sendEvent(target.data(), &press);
    if (!target) return;
    QKeyEvent release(QEvent::KeyRelease, qtKey, Qt::NoModifier);
    QApplication::sendEvent(target.data(), &release);
}

NPError NpapiHost::Instance::GetValue(NPPVariable variable, void* value) {
    if (Funcs() == nullptr || Funcs()->getvalue == nullptr) return NPERR_MODULE_LOAD_FAILED_ERROR;
    return Funcs()->getvalue(&npp_, variable, value);
}

const NPPluginFuncs* NpapiHost::Instance::Funcs() const {
    return host_ != nullptr ? &host_->plugin_ : nullptr;
}

}  // namespace testing_support
