#pragma once

#include <string>
#include <vector>

namespace testing_support {

// The files a saved page names by src or href that are local (no scheme, no fragment alone),
// as written, in order.
std::vector<std::string> LocalReferences(const std::string& page);

// Those of them that do not exist beside the page.
std::vector<std::string> MissingReferences(const std::string& page);

}  // namespace testing_support
