#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The kinds of value a template can declare for the user to edit.
enum TemplateVariableType {
    kVarNone = 0,  // undeclared: left behind by a lookup, treated as absent
    kVarString = 1,
    kVarText = 2,
    kVarNumber = 3,
    kVarBool = 4,
    kVarStringList = 5,
    kVarColor = 6,
};

// One variable a template declares: what the options dialog shows about it and the value a
// tag prints. Copied by value; the gallery's dictionary owns them.
class TemplateVariable {
public:
    TemplateVariable() = default;
    // A number variable holding `number`.
    TemplateVariable(int number, std::string name, std::string category, std::string title,
                     std::string description);

    // Whether the text is an acceptable value for the type; a missing (null) text never is.
    bool Validate(const char* text) const;
    // Stores a valid text; false, with nothing changed, for one that does not validate.
    bool SetValueText(const char* text);
    bool SetValueText(const std::string& text) { return SetValueText(text.c_str()); }
    // Number: the value; bool: 0 or 1; string list: the choice at that index. False for
    // other types and for values out of range.
    bool SetValue(int number);
    // What a tag prints; empty for an undeclared variable.
    std::string GetValueText() const;
    // What lists show: a bool's false or true text, the value text otherwise.
    std::string GetDisplayText() const;

    // The choice at the index; empty when there is none.
    std::string GetChoice(std::size_t index) const;
    void AddChoice(const std::string& text) { choices.push_back(text); }
    // Enumerate the choices in order; false when there is no (further) choice.
    bool FirstChoice(std::string& text);
    bool NextChoice(std::string& text);

    void SetName(const std::string& text) { name = text; }

    std::string description;
    std::string category;
    std::string title;
    int varType = kVarNone;
    // Bool: [text for false, text for true]; string list: the allowed values.
    std::vector<std::string> choices;
    std::string name;
    std::string valueText;
    int value = 0;

private:
    std::size_t choiceCursor_ = 0;
};

// The number that "%d" reads from the front of a text (blanks first allowed); none when the
// text does not start with one. Out-of-range numbers are held at the ends of int.
std::optional<int> ScanInt(std::string_view text);
// atoi in the C locale, held at the ends of int.
int AtoInt(std::string_view text);
