#include "studio/projects/TemplateVariable.h"

#include <algorithm>
#include <utility>

#include "platform/text/Text.h"

namespace {

bool IsScanBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::optional<int> ScanInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsScanBlank(text[i])) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digits) return std::nullopt;
    return platform::ClampToInt(platform::AtoI(text.substr(start, i - start)));
}

int AtoInt(std::string_view text) {
    return ScanInt(text).value_or(0);
}

TemplateVariable::TemplateVariable(int number, std::string name_, std::string category_,
                                   std::string title_, std::string description_)
    : description(std::move(description_)),
      category(std::move(category_)),
      title(std::move(title_)),
      varType(kVarNumber),
      name(std::move(name_)),
      valueText(platform::FormatC("%d", number)),
      value(number) {}

bool TemplateVariable::Validate(const char* text) const {
    if (text == nullptr) return false;
    const std::optional<int> number = ScanInt(text);
    switch (varType) {
        case kVarNumber:
            return number.has_value();
        case kVarBool:
            return number == 0 || number == 1;
        case kVarStringList:
            return std::find(choices.begin(), choices.end(), text) != choices.end();
        default:
            return true;
    }
}

bool TemplateVariable::SetValueText(const char* text) {
    if (!Validate(text)) return false;
    switch (varType) {
        case kVarString:
        case kVarText:
        case kVarStringList:
            valueText = text;
            break;
        case kVarNumber:
        case kVarColor:
            // A colour's text is hexadecimal; only the text is used, so its value stays 0.
            value = AtoInt(text);
            valueText = text;
            break;
        case kVarBool:
            value = AtoInt(text);
            valueText = value == 1 ? "1" : "0";
            break;
        default:
            break;
    }
    return true;
}

bool TemplateVariable::SetValue(int number) {
    switch (varType) {
        case kVarNumber:
            value = number;
            valueText = platform::FormatC("%d", number);
            return true;
        case kVarBool:
            // Only 0 and 1 name one of its two texts.
            if (number != 0 && number != 1) return false;
            value = number;
            valueText = number == 1 ? "1" : "0";
            return true;
        case kVarStringList:
            if (number < 0 || static_cast<std::size_t>(number) >= choices.size()) return false;
            valueText = choices[static_cast<std::size_t>(number)];
            return true;
        default:
            return false;
    }
}

std::string TemplateVariable::GetValueText() const {
    return varType == kVarNone ? std::string() : valueText;
}

std::string TemplateVariable::GetDisplayText() const {
    switch (varType) {
        case kVarNone:
            return {};
        case kVarBool:
            // A bool declared without its two texts shows its value instead.
            if (value >= 0 && static_cast<std::size_t>(value) < choices.size()) {
                return choices[static_cast<std::size_t>(value)];
            }
            return valueText;
        default:
            return valueText;
    }
}

std::string TemplateVariable::GetChoice(std::size_t index) const {
    return index < choices.size() ? choices[index] : std::string();
}

bool TemplateVariable::FirstChoice(std::string& text) {
    choiceCursor_ = 0;
    return NextChoice(text);
}

bool TemplateVariable::NextChoice(std::string& text) {
    if (choiceCursor_ >= choices.size()) return false;
    text = choices[choiceCursor_++];
    return true;
}
