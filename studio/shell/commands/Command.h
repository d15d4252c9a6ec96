#pragma once

// One user action, made for a single run or a single question about its enabled state and
// dropped after it. A command keeps no state of its own between uses: what it works on lives
// in the panes, the file selection, the studio clipboard and the open projects. It holds the
// context pointers it was made with but owns none of them.
//
// A new command derives from Command, passes its id to the base, and is registered with the
// CommandFactory (see CommandFactory.h).
class Command {
public:
    explicit Command(int id) : id_(id) {}
    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    int GetId() const { return id_; }

    virtual void Execute() = 0;
    virtual bool IsEnabled() = 0;
    // After Execute: true when the work was tried and not done (a write that failed). A user
    // who cancels a dialog has not failed. Most callers ignore it; the exit prompt must not
    // close the studio over unsaved work.
    bool Failed() const { return failed_; }

protected:
    // Set by Execute when the work was tried and not done.
    bool failed_ = false;

private:
    int id_;
};
