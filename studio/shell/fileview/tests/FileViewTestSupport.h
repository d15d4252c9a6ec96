#pragma once

#include <functional>
#include <string>

#include <QColor>

#include "testing/QtTestApp.h"

class FileView;

// Writes a small picture of one colour: a JPEG for the names of one, else a PNG.
void WritePicture(const std::string& path, QColor colour, int width = 40, int height = 30);
// Serves the list's events until its load is complete (false after thirty seconds).
bool WaitLoaded(FileView& view);
using testing_support::ServeEventsUntil;
