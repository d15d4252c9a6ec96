#pragma once

#include <string>
#include <thread>
#include <vector>

namespace platform {
class Registry;
}

// What the command line asks of the program before any window: to register or unregister
// its application id, or to start as an automation server.
enum class RegistrationSwitch { None, RegServer, UnregServer };

// The command line after the program's name: the arguments joined by blanks.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

// Walks the arguments for a switch character ('-' or '/') and compares what follows it, to
// the end of the joined line, with "RegServer" and "UnregServer" (case ignored): a switch
// counts only when it is the last thing on the line. A switch character counts only at the
// start of an argument, so a path such as "x/RegServer" never reads as a switch.
RegistrationSwitch FindRegistrationSwitch(const std::vector<std::string>& arguments);

// True when an argument is the switch "Embedding" or "Automation" (case ignored).
bool HasAutomationSwitch(const std::vector<std::string>& arguments);

// The studio's small server module. It serves no classes of its own; it exists for its
// registration (the application id under HKCR\AppID) and for the server's life cycle.
class CKivoModule {
public:
    static constexpr const char* kAppId = "{2D8F0A64-5E17-4B39-9C02-A6E4173B58F1}";

    explicit CKivoModule(platform::Registry& registry) : registry_(registry) {}

    void Init() { thread_ = std::this_thread::get_id(); }
    void Term() { thread_ = {}; }
    std::thread::id GetThreadId() const { return thread_; }

    // Writes the application id's two keys; false when the registry cannot be written.
    bool RegisterServer();
    // Removes them; HKCR\AppID itself stays. A key already gone counts as removed.
    bool UnregisterServer();

private:
    platform::Registry& registry_;
    std::thread::id thread_;
};
