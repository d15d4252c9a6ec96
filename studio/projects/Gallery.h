#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "studio/core/FileSelection.h"
#include "studio/core/GalleryImage.h"
#include "studio/core/Properties.h"
#include "studio/projects/TemplateEscaping.h"
#include "studio/projects/TemplateVariable.h"
#include "studio/projects/WorkingFolder.h"

class PidlPath;
class QWidget;
namespace platform {
class DeferredFlush;
}

// A gallery project: copies of the chosen pictures with a thumbnail each in a private
// working folder, the chosen template and its variables, a title and the size of the viewer
// window of the generated pages. The expansion state of the template language lives here
// too, shared by every template expanded in one generation.
class Gallery {
public:
    // The working folder is named but not made; `properties` gives the thumbnail and viewer
    // preferences and must outlive the gallery.
    explicit Gallery(Properties& properties = Properties::Instance());
    // Empties the working folder when this gallery holds it.
    virtual ~Gallery();
    Gallery(const Gallery&) = delete;
    Gallery& operator=(const Gallery&) = delete;

    // Takes the working folder (the first one no other studio holds) and empties it and its
    // "data/"; finds the templates below the data folder; the gallery becomes unchanged.
    virtual void Initialize(QWidget* parent);
    virtual std::string GetTemplateSubfolder() const { return "templates/"; }
    // Names only a kind of project knows; "" for a plain gallery.
    virtual std::string GetExtraVariable(const std::string& name, const std::string& arguments);

    // ---- Accessors and flags
    const std::string& GetTemplateFolder() const { return templatesFolder; }
    const std::string& GetTemplateName() const { return templateName; }
    void SetTemplate(const std::string& name);
    // With a trailing '/'.
    const std::string& GetWorkingFolder() const { return workingFolder; }
    // Whether the working folder is this gallery's own (held since Initialize). Nothing is
    // written into or deleted from a folder the gallery does not hold.
    bool HoldsWorkingFolder() const { return folderLock_.IsHeld(); }
    const std::string& GetTitle() const { return title; }
    void SetTitle(const std::string& text);
    int GetWindowWidth() const { return windowWidth; }
    int GetWindowHeight() const { return windowHeight; }
    // A new size is also the size of every point of the first image.
    void SetWindowWidth(int width);
    void SetWindowHeight(int height);
    void SetModified(bool modified) { changed = modified; }
    // Unsaved changes of a gallery that has images.
    bool IsModified() const { return !images.empty() && changed; }
    void SetExporting(bool on) { exporting = on; }
    bool IsExporting() const { return exporting; }
    // The n-th image counting from 1; null outside 1..count.
    GalleryImage* GetImage(int n);
    const GalleryImage* GetImage(int n) const;
    int GetImageCount() const { return static_cast<int>(images.size()); }
    // The generated page at `path`, compared ignoring case as the browser hands addresses
    // back lower-cased; empty when it is none of them.
    std::string FindGeneratedPage(const std::string& path) const;

    // ---- The image list

    // Copies the selected pictures into the working folder, makes their thumbnails and
    // lists them before the image named `before` (appended when empty or unknown), in
    // selection order. `fileView` gives what the file list knows of a picture. False when
    // adding stopped early (failure or the user's cancel); images added so far stay.
    bool AddFiles(const std::string& before, const FileSelection& selection,
                  const FileSelection::ImageLookup& fileView = {});
    // Takes the image out of the list and deletes its copy, thumbnail and animation file.
    void RemoveImage(const std::string& name);
    void RemoveAllImages();
    // The image's new 0-based index; -1 when there is no such image. The first image does
    // not move up nor the last one down.
    int MoveImageUp(const std::string& name);
    int MoveImageDown(const std::string& name);
    // Moves the image before the image `before`, or to the end when `before` is empty. An
    // unknown name on either side leaves the list as it is.
    void MoveImageBefore(const std::string& name, const std::string& before);
    // Makes every thumbnail again with the current preferences; always true.
    bool RegenerateThumbnails();

    // ---- Template variables

    // The entry of the name, created undeclared when missing.
    TemplateVariable& GetVariable(const std::string& name);
    // Its value text; "" when there is none. Never creates an entry.
    std::string GetVariableText(const std::string& name) const;
    // Stores a copy under the variable's own name.
    void SetVariable(const TemplateVariable& variable);
    void ClearVariables();
    // One cursor over the declared variables in name order.
    bool FirstVariable();
    bool NextVariable();
    TemplateVariable* GetCurrentVariable();

    // ---- Built-in names (GalleryVariables.cpp)

    // The text of a built-in name; false when the word is not one.
    bool GetBuiltInVariable(const std::string& word, const std::string& arguments,
                            std::string& text);
    // Whether the built-in name prints a picture's name (as text, an address or a list of
    // addresses); such names are made safe where they land in the page.
    static bool GetPictureNameKind(const std::string& word, NameKind& kind);
    // The IPTC field (the word after "iptc_") of image `currentImage`; "" when there is no
    // such image, its record is not valid or the field is unknown.
    std::string GetIptcVariable(const std::string& field) const;
    // "index" + p + "_" + n + ".htm", p being the index page that shows image n.
    std::string GetImagePageName(int n) const;

    // The thumbnail of a picture: "tmb_" + its name with the extension replaced by ".jpg".
    static std::string ThumbnailName(const std::string& fileName);

    // ---- The template language (TemplateLanguage.cpp)

    // Expands a template file into outputFolder + outputName and records the page; the
    // path written, or "" when the template cannot be read.
    std::string GenerateFromTemplate(const std::string& templatePath,
                                     const std::string& outputFolder,
                                     const std::string& outputName);
    // What one tag (the text between "{{" and "}}") prints; it also steps the images,
    // opens and closes conditional blocks and declares variables.
    std::string ExpandTag(const std::string& tag);
    // One token of a condition or a declaration from `position` on, which it advances.
    static std::string NextToken(const std::string& text, std::size_t& position);
    bool EvaluateCondition(const std::string& arguments);
    // The value of a word inside a condition; false when the word names nothing.
    bool LookupVariable(const std::string& word, std::string& value);
    void ParseVariableDeclaration(const std::string& name, const std::string& declaration);

    // ---- Pages and export (GalleryPages.cpp)

    // templatesFolder + prefix + the template's name.
    std::string GetTemplatePath(const std::string& prefix) const;
    // Writes every page of the gallery into the working folder afresh; the first index
    // page, or "" when there is none.
    virtual std::string Generate();
    // Images one index page shows: its "{{nextimage}}" tags + 1; 0 without an index template.
    int CountImagesPerPage(bool& singlePage) const;
    virtual std::string GenerateIndexPage(const std::string& pageName);
    // Writes the image page of the current image; its file name, or "" without a template.
    virtual std::string GenerateImagePage();
    virtual void GenerateScripts(const std::string& outputFolder);
    virtual bool CopyTemplateDataFiles(const std::string& folder);
    // The index page counted from 0, or "" past the last one.
    std::string GetPageFile(int page) const;
    // Generates the pages for export and copies the gallery into a new folder named after
    // the title inside the chosen folder.
    virtual bool Export(const PidlPath& folder);
    bool CopyWorkingFolder(const std::string& exportFolder);
    // The title as one folder name that stays inside its parent.
    static std::string ExportFolderName(const std::string& title);

protected:
    // Whether `name` or the files made from it (thumbnail, animation file) would be those of
    // another listed image.
    bool ClashesWithListed(const std::string& name) const;

    // ---- The project
    std::string templatesFolder;
    std::string templateName;
    std::string workingFolder;
    std::vector<GalleryImage> images;
    QWidget* parentWindow = nullptr;
    // Byte-wise name order: std::string compares its characters as unsigned bytes.
    std::map<std::string, TemplateVariable> variables;
    bool changed = false;
    std::string title = "Vantelo";
    int windowWidth = 320;
    int windowHeight = 200;

    // ---- Expansion state of the template language
    int currentImage = 0;  // 1-based
    int currentPage = 0;   // 1-based
    int pageTotal = 0;
    int imagesPerPage = 0;
    bool exporting = false;
    bool stopped = false;
    int skipDepth = 0;
    std::vector<std::string> generatedPages;

    Properties& properties;

private:
    // The index of the first image of the name, or -1.
    int FindImage(const std::string& name) const;
    // Deletes an image's copy, thumbnail and animation file, but no file that belongs to an
    // image still listed, and nothing from a folder the gallery does not hold.
    void DeleteImageFiles(const std::string& name);
    // Makes the thumbnail of a copy in the working folder with the current preferences;
    // when `image` is given, it receives the picture's size and IPTC record.
    bool MakeThumbnail(const std::string& fileName, GalleryImage* image);
    // A name for a new copy that clashes with no listed image.
    std::string FreeImageName(const std::string& name) const;
    // The expansion of a template's text; with `dropBreaks`, an empty tag result takes the
    // line breaks after it along.
    std::string ExpandText(const std::string& text, bool dropBreaks);
    // Writes a generated file and records it; false (after the message) when it cannot.
    bool WriteGeneratedFile(const std::string& path, const std::string& text);
    // The index template (".vtt", else ".htm"); "" when neither exists.
    std::string IndexTemplatePath() const;

    // Set while an image page is expanded: an image page that asks for its own page would
    // never end.
    bool inImagePage_ = false;
    // The page text written before the tag being expanded.
    std::string_view writtenBefore_;
    // Set while an export generates its pages: they are new files, put on disk together
    // with the exported copies before the export counts as done.
    platform::DeferredFlush* flushLater_ = nullptr;

    std::map<std::string, TemplateVariable>::iterator variableCursor = variables.end();
    WorkingFolder folderLock_;
};
