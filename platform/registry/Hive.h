#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/Registry.h"

// The in-memory form of one hive file and its text form. Internal to the registry.
namespace platform::hive {

// Names are matched by their ASCII lower-case form.
std::string Fold(std::string_view name);

struct Value {
    std::string name;
    RegValue value;
};

struct Key {
    std::string name;
    std::string className;
    std::vector<Value> values;           // in the order they were first set
    std::map<std::string, Key> subkeys;  // by folded name

    Key* Find(const std::vector<std::string>& path);
    const Key* Find(const std::vector<std::string>& path) const;
    Value* FindValue(std::string_view name);
    const Value* FindValue(std::string_view name) const;
};

// Texts of at most this many bytes name a key.
constexpr std::size_t kMaxKeyName = 255;
// Keys nest at most this deep below a file's root. Deeper ones are refused, in a hive file
// too: the key tree is walked and freed recursively.
constexpr std::size_t kMaxKeyDepth = 512;

// Splits a '\\'-separated path; empty names between separators are skipped. No value when
// a name is too long or holds a control character, or there are more than kMaxKeyDepth.
std::optional<std::vector<std::string>> SplitPath(std::string_view path);

// The whole text of a hive file. The first line identifies the file; then each key is a
// line "[path]" (optionally followed by class="...") and its values follow as lines
// "name"=data, with @ for the unnamed value. Data is sz:"text" for a string ending in its
// one zero, dword:XXXXXXXX for a 4-byte Dword, hex:bb,bb for Binary and hex(N):bb,bb for
// anything else.
std::string Serialize(const Key& root);

// Reads a hive text. On failure gives no value and the 1-based number of the line at fault.
std::optional<Key> Parse(std::string_view text, int* badLine);

}  // namespace platform::hive
