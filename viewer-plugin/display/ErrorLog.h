#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

// The viewer's diagnostic log, one per process. The display layer reports failures by level
// (0 traces, 1 warnings, 2 errors, 3 failures the user must see); each level's flag word
// says what becomes of its messages: 0x02 appends the text, 0x08 shows it in a box captioned
// "ErrorLog". The window and loader threads log at once, so every member is thread-safe.
class ErrorLog {
public:
    static constexpr std::uint16_t kAppend = 0x02;
    static constexpr std::uint16_t kShowBox = 0x08;

    // Runs a task on the GUI thread, later (a posted task).
    using GuiPost = std::function<void(std::function<void()> task)>;

    // The process's log.
    static ErrorLog& Instance();

    // Applies the level's flag word; levels outside 0 to 3 are dropped. The text is kept as
    // given (callers end their lines with "\n").
    void Log(int level, std::string_view text);
    // The appended text; none when nothing was appended.
    std::optional<std::string> GetText() const;

    // Boxes must be shown on the GUI thread. Call this on the GUI thread once the window
    // layer can post to it: from then on a box logged on any other thread is handed to post
    // (as a task that shows it) instead of being shown there. An empty function removes the
    // hand-over; without one every box is shown on the thread that logs it.
    void SetGuiHandOver(GuiPost post);

    // Every message reaches the observer, whatever its level's flags do with it: traces and
    // warnings are otherwise dropped. For tests; an empty function removes it.
    using Observer = std::function<void(int level, std::string_view text)>;
    void SetObserver(Observer observer);

    // Back to the start: empty text, no hand-over, no observer. For tests.
    void Reset();

private:
    ErrorLog() = default;

    static void ShowBox(const std::string& text);

    mutable std::mutex mutex_;
    // A flag word per level. 0x20 (ending the process) is never set: a plug-in must not end
    // the browser it runs in.
    const std::array<std::uint16_t, 4> words_{1, 1, 3, 9};
    std::string text_;
    GuiPost guiPost_;
    Observer observer_;
    std::thread::id guiThread_;
};
