#pragma once

#include <QIcon>

// The studio's icon (resource 128): a magnifying lens over a picture, drawn at the sizes
// window title bars and task lists ask for.
QIcon StudioIcon();
