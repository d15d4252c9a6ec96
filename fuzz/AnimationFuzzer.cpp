// The animation file reader on untrusted text. Whatever it reads must write out as a text
// that reads back whole with the same settings, names and point count.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <list>
#include <string_view>

#include "studio/projects/AnimationFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace af = animation_file;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    af::ReadValues values;
    std::list<AnimationPoint> points;
    af::Parse(text, values, points);

    af::Settings settings;
    settings.title = values.title.value_or("");
    settings.playMode = values.playMode.value_or(2);
    settings.speed = values.speed.value_or(100);
    settings.windowWidth = values.windowWidth.value_or(320);
    settings.windowHeight = values.windowHeight.value_or(200);
    af::ReadValues again;
    std::list<AnimationPoint> pointsAgain;
    if (!af::Parse(af::Write(settings, points), again, pointsAgain)) std::abort();
    if (again.title.value_or("") != af::SafeValue(settings.title) ||
        again.playMode != settings.playMode || again.speed != settings.speed ||
        again.windowWidth != settings.windowWidth || again.windowHeight != settings.windowHeight ||
        pointsAgain.size() != points.size()) {
        std::abort();
    }
    auto it = pointsAgain.begin();
    for (const AnimationPoint& point : points) {
        if (it->name != af::SafeValue(point.name) || it->size != point.size) std::abort();
        ++it;
    }
    return 0;
}
