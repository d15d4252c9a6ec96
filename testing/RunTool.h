#pragma once

#include <string>

namespace testing_support {

// Runs a shell command and returns what it printed (its errors dropped); empty when it
// could not be started. For checking files with installed tools.
std::string RunTool(const std::string& command);

}  // namespace testing_support
