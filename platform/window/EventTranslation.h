#pragma once

#include <optional>

#include "platform/wintypes/Messages.h"

class QEvent;
class QWidget;

namespace platform::window_detail {

// The virtual-key code of a Qt key, or 0 for keys the system's windows never see.
int VirtualKeyFromQt(int qtKey);

// The message a window procedure sees for a Qt event of `widget`, or none for events that
// are no message (or are handled elsewhere: painting, showing, destruction).
std::optional<Message> TranslateEvent(QWidget& widget, QEvent& event);

}  // namespace platform::window_detail
