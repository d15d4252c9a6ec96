#pragma once

#include <string>

namespace platform {

// The hidden mark of a file. A name with a leading dot is always hidden. Otherwise the mark
// is the extended attribute "user.hidden" (any value but "", "0" or "false"); on a file
// system that refuses user attributes, the studio's companion files (".vte" animations,
// ".vtd" folder pictures) count as hidden, since they could not be marked.
bool IsHidden(const std::string& path);

// Sets or clears the mark. True when the file ends up in the state asked for, which on a
// file system without user attributes only names with a leading dot or a companion's
// extension can be.
bool SetHidden(const std::string& path, bool hidden);

// Whether the file system of `path` takes user extended attributes.
bool TakesUserAttributes(const std::string& path);

// Makes every file system look as though it refused user attributes, so the fallback can
// be tested where the temporary folder takes them.
void RefuseUserAttributesForTesting(bool refuse);

}  // namespace platform
