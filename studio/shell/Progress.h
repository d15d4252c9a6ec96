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
