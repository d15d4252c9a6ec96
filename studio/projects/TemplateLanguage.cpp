// The template language: text copied as it stands, with tags between "{{" and "}}" that
// print names, step through the images, open and close conditional blocks and declare the
// variables the user may edit.

#include <fstream>
#include <iterator>

#include "platform/debug/Debug.h"
#include "platform/files/ReplacingWriter.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/TemplateEscaping.h"

namespace {

enum class CharClass { Blank, Bang, Comma, Dot, Digit, Semicolon, Equals, Letter };

CharClass ClassOf(char c) {
    switch (c) {
        case ' ':
        case '\t':
            return CharClass::Blank;
        case '!':
            return CharClass::Bang;
        case ',':
            return CharClass::Comma;
        case '.':
            return CharClass::Dot;
        case ';':
            return CharClass::Semicolon;
        case '=':
            return CharClass::Equals;
        default:
            return c >= '0' && c <= '9' ? CharClass::Digit : CharClass::Letter;
    }
}

bool ReadWhole(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

int TypeOf(const std::string& word) {
    static const char* const kTypes[] = {"string", "text", "number", "bool", "stringlist", "color"};
    for (int i = 0; i < 6; ++i) {
        if (word == kTypes[i]) return i + 1;
    }
    return kVarNone;
}

}  // namespace

std::string Gallery::GenerateFromTemplate(const std::string& templatePath,
                                          const std::string& outputFolder,
                                          const std::string& outputName) {
    std::string text;
    if (!ReadWhole(templatePath, text)) return {};
    stopped = false;
    skipDepth = 0;
    const std::string output = ExpandText(text, true);
    const std::string path = outputFolder + outputName;
    WriteGeneratedFile(path, output);
    return path;
}

bool Gallery::WriteGeneratedFile(const std::string& path, const std::string& text) {
    // The page is recorded even when it cannot be written: the preview asks for it by name.
    generatedPages.push_back(path);
    platform::ReplaceOptions options;
    options.flushLater = flushLater_;
    const bool ok = platform::WriteFileReplacing(path, text, options) == platform::FileError::None;
    if (!ok) {
        platform::ShowMessage(parentWindow, "Failed to write generated file", "Error");
    }
    return ok;
}

std::string Gallery::ExpandText(const std::string& text, bool dropBreaks) {
    std::string output;
    std::size_t position = 0;
    for (;;) {
        const std::size_t open = text.find("{{", position);
        if (open == std::string::npos) break;
        if (!stopped && skipDepth == 0) output.append(text, position, open - position);
        const std::size_t close = text.find("}}", open + 2);
        if (close == std::string::npos) {
            platform::ShowMessage(parentWindow, "Error in template {{ not matched", "Error");
            // The unmatched opening and what follows it are kept as text.
            position = open;
            break;
        }
        // An image page expanded inside this tag has its own text before its tags.
        const std::string_view outerWritten = writtenBefore_;
        writtenBefore_ = output;
        const std::string result = ExpandTag(text.substr(open + 2, close - open - 2));
        writtenBefore_ = outerWritten;
        position = close + 2;
        if (!result.empty()) {
            output += result;
        } else if (dropBreaks) {
            while (position < text.size() && IsLineBreak(text[position])) ++position;
        }
    }
    if (!stopped && skipDepth == 0) output.append(text, position, std::string::npos);
    return output;
}

std::string Gallery::ExpandTag(const std::string& tag) {
    const std::size_t end = tag.find_first_of(" }\t\n\r=");
    const std::string word = tag.substr(0, end);
    const std::string arguments = end == std::string::npos ? std::string() : tag.substr(end);

    // Declarations count wherever they stand, so a block that is skipped on one page does
    // not hide a variable the options dialog should show.
    if (end != std::string::npos && tag[end] == '=') {
        ParseVariableDeclaration(word, tag.substr(end + 1));
        return {};
    }
    if (word == "if") {
        if (skipDepth > 0) {
            ++skipDepth;
        } else if (!EvaluateCondition(arguments)) {
            skipDepth = 1;
        }
        return {};
    }
    if (word == "endif") {
        if (skipDepth > 0) {
            --skipDepth;
        } else {
            platform::DebugOutput("{{endif}} detected without matching {{if}}\n");
        }
        return {};
    }
    if (word == "nextimage") {
        if (skipDepth == 0 && ++currentImage > GetImageCount()) stopped = true;
        return {};
    }
    if (word == "previmage") {
        if (skipDepth == 0) --currentImage;
        return {};
    }
    if (word == "endpage") {
        stopped = false;
        return {};
    }
    if (stopped || skipDepth > 0) return {};

    if (word == "imagepageurl") return inImagePage_ ? std::string() : GenerateImagePage();
    std::string text;
    if (GetBuiltInVariable(word, arguments, text)) {
        NameKind kind = NameKind::Text;
        if (!text.empty() && GetPictureNameKind(word, kind)) {
            return PlaceName(text, kind, PlaceAfter(writtenBefore_));
        }
        return text;
    }
    if (word.rfind("iptc_", 0) == 0) return GetIptcVariable(word.substr(5));
    text = GetExtraVariable(word, arguments);
    if (!text.empty()) return text;
    return GetVariableText(word);
}

std::string Gallery::NextToken(const std::string& text, std::size_t& position) {
    enum class State { Start, Number, Word, EqualsSeen, BangSeen };
    State state = State::Start;
    std::string token;
    for (; position < text.size(); ++position) {
        const char c = text[position];
        const CharClass cls = ClassOf(c);
        switch (state) {
            case State::Start:
                switch (cls) {
                    case CharClass::Blank:
                        continue;
                    case CharClass::Letter:
                        state = State::Word;
                        break;
                    case CharClass::Digit:
                        state = State::Number;
                        break;
                    case CharClass::Equals:
                        state = State::EqualsSeen;
                        break;
                    case CharClass::Bang:
                        state = State::BangSeen;
                        break;
                    default:  // comma, dot, semicolon: a token of their own
                        ++position;
                        return std::string(1, c);
                }
                token += c;
                continue;
            case State::Number:
                if (cls != CharClass::Letter && cls != CharClass::Digit && cls != CharClass::Dot) {
                    return token;
                }
                token += c;
                continue;
            case State::Word:
                if (cls == CharClass::Equals || cls == CharClass::Bang ||
                    cls == CharClass::Semicolon) {
                    return token;
                }
                token += c;
                continue;
            case State::EqualsSeen:
            case State::BangSeen:
                if (cls == CharClass::Equals) {
                    token += c;
                    ++position;
                    return token;
                }
                if (cls != CharClass::Digit && cls != CharClass::Dot) return token;
                token += c;
                continue;
        }
    }
    return token;
}

bool Gallery::EvaluateCondition(const std::string& arguments) {
    std::size_t position = 0;
    std::string left = NextToken(arguments, position);
    const std::string op = NextToken(arguments, position);
    std::string right = NextToken(arguments, position);
    std::string value;
    if (op == "==" || op == "!=") {
        if (LookupVariable(left, value)) left = value;
        if (LookupVariable(right, value)) right = value;
        return (left == right) == (op == "==");
    }
    if (LookupVariable(left, value)) left = value;
    return AtoInt(left) != 0;
}

bool Gallery::LookupVariable(const std::string& word, std::string& value) {
    if (word == "\"\"" || word == "''") {
        value.clear();
        return true;
    }
    if (word == "pagenumber") {
        value = platform::FormatC("%d", currentPage);
        return true;
    }
    if (word == "pagetotal") {
        value = platform::FormatC("%d", pageTotal);
        return true;
    }
    if (word == "export") {
        value = platform::FormatC("%d", exporting ? 1 : 0);
        return true;
    }
    // Known for every image, with or without a record, so "!=''" tests behave.
    if (word.rfind("iptc_", 0) == 0) {
        value = GetIptcVariable(word.substr(5));
        return true;
    }
    const TemplateVariable& variable = GetVariable(word);
    if (variable.varType == kVarNone) return false;
    value = variable.GetValueText();
    return true;
}

void Gallery::ParseVariableDeclaration(const std::string& name, const std::string& declaration) {
    const auto existing = variables.find(name);
    if (existing != variables.end() && existing->second.varType != kVarNone) return;

    std::size_t position = 0;
    auto field = [&] { return NextToken(declaration, position); };
    // Reads a separator; false, with the debug line, when it is not ";".
    auto separator = [&](const char* missing) {
        if (field() == ";") return true;
        platform::DebugOutput(missing);
        return false;
    };

    const std::string type = field();
    const std::string afterType = field();
    if (afterType != ";") {
        if (afterType == ",") {
            platform::ShowMessage(parentWindow, "Old template variable format", name);
        }
        platform::DebugOutput("SetVariable missing ; after type\n");
        return;
    }
    const std::string category = field();
    if (!separator("SetVariable missing ; after Cathegory\n")) return;
    const std::string caption = field();
    if (!separator("SetVariable missing ; after Title\n")) return;
    const std::string description = field();
    if (!separator("SetVariable missing ; after desc\n")) return;
    const std::string defaultText = field();

    TemplateVariable variable;
    variable.SetName(name);
    variable.category = category;
    variable.title = caption;
    variable.description = description;
    variable.varType = TypeOf(type);
    if (variable.varType == kVarNone) platform::DebugOutput("Unknown type\n");

    if (variable.varType == kVarBool) {
        if (!separator("SetVariable missing ; after default text\n")) return;
        variable.AddChoice(field());
        if (!separator("SetVariable missing ; after false text\n")) return;
        variable.AddChoice(field());
    } else if (variable.varType == kVarStringList) {
        if (!separator("SetVariable missing ; after default text\n")) return;
        do {
            variable.AddChoice(field());
        } while (field() == ";");
    }
    variable.SetValueText(defaultText);
    variables[name] = variable;
}
