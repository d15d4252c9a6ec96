#pragma once

#include <cstdint>

#include "platform/com/OleThread.h"

namespace com_test {

// A message filter that answers nothing, for tests of who holds the thread's filter slot.
class NullMessageFilter final : public platform::RefCounted<platform::IMessageFilter> {
public:
    platform::HRESULT QueryInterface(const platform::IID&, void** object) override {
        *object = nullptr;
        return platform::E_NOINTERFACE;
    }
    std::uint32_t HandleInComingCall(std::uint32_t, std::uintptr_t, std::uint32_t) override {
        return 0;
    }
    std::uint32_t RetryRejectedCall(std::uintptr_t, std::uint32_t, std::uint32_t) override {
        return 0;
    }
    std::uint32_t MessagePending(std::uintptr_t, std::uint32_t, std::uint32_t) override {
        return 0;
    }
    // The references held on it, read without changing them.
    std::uint32_t Count() {
        AddRef();
        return Release();
    }
};

}  // namespace com_test
