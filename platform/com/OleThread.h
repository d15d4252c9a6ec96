#pragma once

#include <cstdint>

#include "platform/com/Com.h"

// What a thread sets up before it embeds controls: the OLE flag of the thread and the
// thread's message filter, the object asked what to do while an outgoing call waits or an
// incoming one arrives at a busy moment. Both are the calling thread's alone.
namespace platform {

constexpr IID IID_IMessageFilter = PlatformIid(0x0038);

// Incoming-call answers of HandleInComingCall.
constexpr std::uint32_t SERVERCALL_ISHANDLED = 0;
constexpr std::uint32_t SERVERCALL_REJECTED = 1;
constexpr std::uint32_t SERVERCALL_RETRYLATER = 2;
// PendingMessage answers.
constexpr std::uint32_t PENDINGMSG_CANCELCALL = 0;
constexpr std::uint32_t PENDINGMSG_WAITNOPROCESS = 1;
constexpr std::uint32_t PENDINGMSG_WAITDEFPROCESS = 2;

class IMessageFilter : public IUnknown {
public:
    virtual std::uint32_t HandleInComingCall(std::uint32_t callType, std::uintptr_t caller,
                                             std::uint32_t tickCount) = 0;
    virtual std::uint32_t RetryRejectedCall(std::uintptr_t callee, std::uint32_t tickCount,
                                            std::uint32_t rejectType) = 0;
    virtual std::uint32_t MessagePending(std::uintptr_t callee, std::uint32_t tickCount,
                                         std::uint32_t pendingType) = 0;
};

// Sets the thread's OLE flag: S_OK the first time, S_FALSE when it was set already.
HRESULT OleInitialize(void* reserved);
// Clears it.
void OleUninitialize();
bool IsOleInitialized();

// Makes `filter` (null: none) the thread's message filter. The filter held before is handed
// back through `previous` with the thread's reference, which the caller now owns; without
// `previous` it is released.
HRESULT CoRegisterMessageFilter(IMessageFilter* filter, IMessageFilter** previous);
// The thread's filter now, without a reference; null when none.
IMessageFilter* CurrentMessageFilter();

}  // namespace platform
