#pragma once

#include <memory>
#include <string_view>

namespace platform {

class DrawContext;

// What the print dialog hands over: a printer, or a file standing in for one, with a
// drawing context over its page and the document's steps. A step that fails answers false
// and LastError says why.
class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    virtual DrawContext& Context() = 0;
    virtual bool StartDoc(std::string_view name) = 0;
    virtual bool StartPage() = 0;
    virtual bool EndPage() = 0;
    virtual bool EndDoc() = 0;
    virtual int LastError() const = 0;
};

// The print dialog's answer.
struct PrintChoice {
    std::unique_ptr<PrintTarget> target;  // null: no printer was chosen
    int error = 0;  // why the dialog could not be shown; 0 when the user cancelled
};

}  // namespace platform
