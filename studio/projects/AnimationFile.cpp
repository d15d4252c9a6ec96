#include "studio/projects/AnimationFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>

#include "platform/files/FileOps.h"
#include "platform/files/Hidden.h"
#include "platform/files/ReplacingWriter.h"
#include "platform/text/Text.h"
#include "studio/core/ShellUtils.h"

namespace animation_file {
namespace {

// Walks the text tag by tag. A '<' that has no '>' after it breaks the reader: from then
// on it finds nothing, so every loop over it ends.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    // The next tag, '<' to '>' inclusive; empty when no '<' is left.
    std::string_view Tag() {
        if (broken_) return {};
        const std::size_t open = text_.find('<', position_);
        if (open == std::string_view::npos) return {};
        const std::size_t close = text_.find('>', open + 1);
        if (close == std::string_view::npos) {
            broken_ = true;
            return {};
        }
        position_ = close + 1;
        return text_.substr(open, close + 1 - open);
    }

    // The text up to the next '<'; empty (and the position kept) when no '<' follows.
    std::string_view Value() {
        if (broken_) return {};
        const std::size_t open = text_.find('<', position_);
        if (open == std::string_view::npos) return {};
        const std::string_view value = text_.substr(position_, open - position_);
        position_ = open;
        return value;
    }

    bool broken() const { return broken_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    bool broken_ = false;
};

// Reads the values of an element up to its closing tag; each non-empty one replaces the
// one before. False when the text ends before the closing tag.
template <typename Store>
bool ReadElement(Reader& reader, std::string_view closing, Store store) {
    for (;;) {
        const std::string_view value = reader.Value();
        if (!value.empty()) store(value);
        const std::string_view tag = reader.Tag();
        if (tag.empty()) return false;
        if (tag == closing) return true;
    }
}

// A number that is not finite reaches no viewer: it counts as not converted.
float Finite(float value) {
    return std::isfinite(value) ? value : 0.0f;
}

void ReadPosition(std::string_view value, Vector3& position) {
    float x = 0, y = 0, z = 0;
    platform::ScanC(std::string(value).c_str(), "%f,%f,%f", &x, &y, &z);
    position = Vector3(Finite(x), Finite(y), Finite(z));
}

void ReadSize(std::string_view value, Vector2<int>& size) {
    long long width = 0, height = 0;
    platform::ScanC(std::string(value).c_str(), "%lld,%lld", &width, &height);
    size = Vector2<int>(platform::ClampToInt(width), platform::ClampToInt(height));
}

// Reads one point after its "<POINT>". False when the text ends before "</POINT>"; the
// point holds what was read.
bool ReadPoint(Reader& reader, AnimationPoint& point) {
    std::string_view tag = reader.Tag();
    while (!tag.empty() && tag != "</POINT>") {
        if (tag == "<NAME>") {
            point.name = std::string(reader.Value());
            reader.Tag();
        } else if (tag == "<POS>") {
            ReadPosition(reader.Value(), point.position);
            reader.Tag();
        } else if (tag == "<SIZE>") {
            ReadSize(reader.Value(), point.size);
            reader.Tag();
        }
        tag = reader.Tag();
    }
    return !tag.empty();
}

}  // namespace

std::string SafeValue(std::string_view text) {
    std::string safe(text);
    for (char& c : safe) {
        if (c == '<') c = '(';
        if (c == '>') c = ')';
    }
    return safe;
}

std::string Write(const Settings& settings, const std::list<AnimationPoint>& points) {
    std::string text;
    text += "<ANIMTITLE>" + SafeValue(settings.title) + "</ANIMTITLE>";
    text += platform::FormatC("<ANIMMODE>%d</ANIMMODE>", settings.playMode);
    text += platform::FormatC("<ANIMSPEED>%d</ANIMSPEED>", settings.speed);
    text += platform::FormatC("<ANIMWINDOWWIDTH>%d</ANIMWINDOWWIDTH>", settings.windowWidth);
    text += platform::FormatC("<ANIMWINDOWHEIGHT>%d</ANIMWINDOWHEIGHT>", settings.windowHeight);
    text += "<POINTDATA>";
    for (const AnimationPoint& point : points) {
        text += "<POINT><NAME>" + SafeValue(point.name) + "</NAME>";
        text += platform::FormatC("<POS>%f,%f,%f</POS>", static_cast<double>(point.position.x),
                                  static_cast<double>(point.position.y),
                                  static_cast<double>(point.position.z));
        text += platform::FormatC("<SIZE>%d,%d</SIZE></POINT>", point.size.x, point.size.y);
    }
    text += "</POINTDATA>";
    return text;
}

bool Parse(std::string_view text, ReadValues& values, std::list<AnimationPoint>& points) {
    Reader reader(text);
    bool whole = true;  // no element was cut off
    // The point data is the last element the writer writes: a text that never closes it
    // was cut short, or is no animation at all.
    bool pointDataOpen = false;
    bool pointDataClosed = false;
    const auto number = [](std::optional<int>& field) {
        return [&field](std::string_view value) {
            field = platform::ClampToInt(platform::AtoI(value));
        };
    };
    for (std::string_view tag = reader.Tag(); !tag.empty(); tag = reader.Tag()) {
        if (tag == "<POINTDATA>") {
            pointDataOpen = true;
            pointDataClosed = false;
        } else if (tag == "</POINTDATA>") {
            pointDataClosed = pointDataOpen;
            pointDataOpen = false;
        } else if (tag == "<POINT>") {
            AnimationPoint point;
            whole = ReadPoint(reader, point) && whole;
            // A point cut off still holds what was read; it is kept.
            points.push_back(std::move(point));
        } else if (tag == "<ANIMTITLE>") {
            whole =
                ReadElement(reader, "</ANIMTITLE>",
                            [&](std::string_view value) { values.title = std::string(value); }) &&
                whole;
        } else if (tag == "<ANIMMODE>") {
            whole = ReadElement(reader, "</ANIMMODE>", number(values.playMode)) && whole;
        } else if (tag == "<ANIMSPEED>") {
            whole = ReadElement(reader, "</ANIMSPEED>", number(values.speed)) && whole;
        } else if (tag == "<ANIMWINDOWWIDTH>") {
            whole = ReadElement(reader, "</ANIMWINDOWWIDTH>", number(values.windowWidth)) && whole;
        } else if (tag == "<ANIMWINDOWHEIGHT>") {
            whole =
                ReadElement(reader, "</ANIMWINDOWHEIGHT>", number(values.windowHeight)) && whole;
        }
    }
    return whole && pointDataClosed && !reader.broken();
}

std::string PathFor(std::string_view path) {
    if (IsAnimationFile(path)) return std::string(path);
    return CompanionPath(path, ".vte");
}

bool Save(const std::string& path, std::string_view text) {
    platform::ReplacingWriter out;
    if (out.Open(path) != platform::FileError::None || !out.Write(text)) return false;
    // Where the file system keeps no user attributes, the ".vte" name itself is the mark.
    platform::SetHidden(out.temporaryPath(), true);
    return out.Commit() == platform::FileError::None;
}

LoadResult Load(const std::string& path, std::string& text) {
    text.clear();
    // Without O_NONBLOCK, opening a pipe of that name would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return LoadResult::Missing;
    struct stat st {};
    LoadResult result = LoadResult::Ok;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        result = LoadResult::Missing;
    } else if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) {
        result = LoadResult::TooLarge;
    } else {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        text.resize(done);  // a file that shrank meanwhile gives what it held
        if (done == 0) result = LoadResult::Missing;
    }
    ::close(fd);
    return result;
}

}  // namespace animation_file
