#pragma once

#include "platform/sync/Waitable.h"

namespace platform {

// A signal threads wait for. A manual-reset event stays set, letting every waiter through,
// until Reset; an auto-reset event lets one waiter through and clears itself.
class Event final : public Waitable {
public:
    enum class Mode { ManualReset, AutoReset };

    Event(Mode mode, bool initiallySet);

    void Set();
    void Reset();
    bool IsSet();

private:
    bool TryTakeLocked() override;

    const Mode mode_;
    bool set_;
};

}  // namespace platform
