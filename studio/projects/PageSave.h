#pragma once

#include <string>

class PageScriptWriter;
class Vantelifier;
struct VantelifyPage;

// Writes the converted page to a file. A page without "<head>" is refused with a message and
// nothing is written; a file that cannot be written gives false without one. An existing
// file is replaced only once the new one is complete.
bool WritePage(const VantelifyPage& page, const std::string& path);

// Saves the converted page under a chosen path and writes the page script beside it, asking
// first when the folder is not the page's own. On success the project is unchanged and keeps
// the script it wrote there.
bool SavePage(const VantelifyPage& page, Vantelifier& project, PageScriptWriter& scriptWriter,
              const std::string& path);
