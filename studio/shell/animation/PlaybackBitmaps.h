#pragma once

#include <QPixmap>

// The pictures of the animation sheet's playback buttons, drawn here rather than shipped,
// by button id: Play 1182, Pause 1183, Stop 1184, Forward 1047, Rewind 1186. Another id
// gives an empty picture of the same size.
QPixmap PlaybackBitmap(int buttonId);
