#include "platform/window/LayerRelease.h"

#include "platform/window/WindowCore.h"

namespace platform {

void ReleaseWindowLayer() {
    window_detail::ReleaseTaskReceiver();
    window_detail::DeleteLeftovers();
    window_detail::ReleaseInputTracking();
}

}  // namespace platform
