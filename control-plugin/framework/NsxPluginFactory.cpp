#include "control-plugin/framework/NsxPluginFactory.h"

#include <strings.h>

#include <new>

#include "control-plugin/framework/NsxPlugin.h"

namespace {

CNsxPluginFactory* firstFactory = nullptr;

}  // namespace

CNsxPluginFactory::CNsxPluginFactory(CreateFunction create, const char* mimeType)
    : next_(firstFactory), create_(create), mimeType_(mimeType != nullptr ? mimeType : "") {
    firstFactory = this;
}

CNsxPluginFactory::~CNsxPluginFactory() {
    for (CNsxPluginFactory** link = &firstFactory; *link != nullptr; link = &(*link)->next_) {
        if (*link == this) {
            *link = next_;
            break;
        }
    }
}

CNsxPlugin* CNsxPluginFactory::CreateForMimeType(const char* mimeType, NPP npp) {
    CNsxPluginFactory* best = nullptr;
    int bestScore = 0;
    for (CNsxPluginFactory* f = firstFactory; f != nullptr; f = f->next_) {
        // Only a better score replaces: on a tie the newer factory stays.
        const int score = f->MatchMimeType(mimeType);
        if (score > bestScore) {
            best = f;
            bestScore = score;
        }
    }
    return best != nullptr ? best->CreateInstance(npp) : nullptr;
}

CNsxPlugin* CNsxPluginFactory::CreateInstance(NPP npp) {
    CNsxPlugin* plugin = nullptr;
    try {
        plugin = create_ != nullptr ? create_() : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (plugin != nullptr) plugin->SetNpp(npp);
    return plugin;
}

int CNsxPluginFactory::MatchMimeType(const char* mimeType) {
    if (mimeType_.empty()) return 1;
    if (mimeType != nullptr && ::strcasecmp(mimeType_.c_str(), mimeType) == 0) return 2;
    return 0;
}
