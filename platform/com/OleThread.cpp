#include "platform/com/OleThread.h"

namespace platform {
namespace {

// Plain thread-locals: a library that is unloaded must leave no destructor behind it.
thread_local bool oleInitialized = false;
thread_local IMessageFilter* messageFilter = nullptr;

}  // namespace

HRESULT OleInitialize(void*) {
    if (oleInitialized) return S_FALSE;
    oleInitialized = true;
    return S_OK;
}

void OleUninitialize() {
    oleInitialized = false;
}

bool IsOleInitialized() {
    return oleInitialized;
}

HRESULT CoRegisterMessageFilter(IMessageFilter* filter, IMessageFilter** previous) {
    if (filter != nullptr) filter->AddRef();
    IMessageFilter* held = messageFilter;
    messageFilter = filter;
    if (previous != nullptr) {
        *previous = held;
    } else if (held != nullptr) {
        held->Release();
    }
    return S_OK;
}

IMessageFilter* CurrentMessageFilter() {
    return messageFilter;
}

}  // namespace platform
