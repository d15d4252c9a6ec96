#pragma once

#include <set>
#include <string>
#include <string_view>

#include "studio/core/PidlPath.h"

struct VantelifyPage;

// Shows a page in the viewer pane's browser.
class PageNavigator {
public:
    virtual ~PageNavigator() = default;
    virtual bool Navigate(const std::string& url) = 0;
};

// Writes the page script "vantelo.js" into a folder (ending in '/'); false when it could not.
class PageScriptWriter {
public:
    virtual ~PageScriptWriter() = default;
    virtual bool WriteVanteloScript(const std::string& folder) = 0;
};

// The page project: one HTML page whose chosen pictures become zoomable viewers. It owns the
// preview page it writes beside the page and, until a save keeps it, the page script it put
// there; closing the project removes exactly those and puts back a script it moved aside.
class Vantelifier {
public:
    Vantelifier(PageNavigator& navigator, PageScriptWriter& scriptWriter, const PidlPath& page);
    virtual ~Vantelifier();
    Vantelifier(const Vantelifier&) = delete;
    Vantelifier& operator=(const Vantelifier&) = delete;

    void SetPage(const PidlPath& page);
    bool IsModified() const { return changed_; }
    void SetModified(bool changed) { changed_ = changed; }

    std::string GetPagePath() const;
    // The page path up to and including its last separator; empty when it has none.
    std::string GetPageFolder() const;
    // The preview page once one was written, else the page.
    std::string GetPreviewPath() const;
    // The address is the page or its preview (compared without regard to case, as the
    // browser reports addresses lower-cased).
    bool IsPageOrPreview(std::string_view address) const;

    // Writes the preview page of `page` as "vtf<n>.vtpreview" beside the page, puts the page
    // script beside it (asking first about a script the project did not write) and shows
    // the preview.
    void WritePreview(const VantelifyPage& page);

    // A save wrote the page script into `folder` (ending in '/'): it belongs to the saved
    // page now and the project never removes it.
    void SetScriptSaved(const std::string& folder);

private:
    // Removes what the project made in the preview folder and puts back a backed-up script.
    void CleanUpPreviewFolder();

    PageNavigator& navigator_;
    PageScriptWriter& scriptWriter_;
    PidlPath page_;
    std::string previewFolder_;
    std::string previewName_;
    std::string scriptName_;
    bool keepScript_ = true;
    bool changed_ = false;
    // The name under which the script found in the preview folder was backed up before the
    // project wrote its own; empty when it made no backup.
    std::string backupName_;
    std::set<std::string> savedScriptFolders_;
};
