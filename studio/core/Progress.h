#pragma once

#include <functional>

// The busy window as code without windows sees it: the gallery, the export and the page
// updates report their progress here, and the studio's busy dialog shows it.
class Progress {
public:
    virtual ~Progress() = default;
    // The two lines of text.
    virtual void SetTexts(const char* first, const char* second) = 0;
    // Moves the caption's dots on, sets each line that is given (null leaves it) and the
    // bar's position.
    virtual void Step(int position, const char* first, const char* second) = 0;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void StepIt() = 0;
};

// Where GetProgress finds the busy window; the GUI installs one that creates the busy dialog
// on first use. Without one, progress goes nowhere.
using ProgressSource = std::function<Progress*()>;
void SetProgressSource(ProgressSource source);
// The busy window, or null when there is none.
Progress* GetProgress();

// Marks, for as long as it lives, an operation that holds a project while the event loop is
// pumped under it (a copy's progress window, a question, a folder dialog): an export, adding
// pictures, a copy, a page conversion. Whatever the loop delivers meanwhile (a posted
// command, a shortcut) must not open, close or change a project under it, so the command
// layer refuses such commands while one is running. Window thread only; they nest.
class LongOperation {
public:
    LongOperation();
    ~LongOperation();
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;
};
bool LongOperationRunning();
