// Turning the gallery into pages in its working folder, and copying the finished pages into
// a folder of their own on export.

#include <fstream>
#include <iterator>

#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "platform/files/Listing.h"
#include "platform/files/PathText.h"
#include "platform/files/ReplacingWriter.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "studio/core/PidlPath.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/Gallery.h"

namespace {

constexpr char kExportCaption[] = "Gallery export";

bool EndsWithJs(const std::string& name) {
    return name.size() >= 3 && name.compare(name.size() - 3, 3, ".js") == 0;
}

// The first of the two spellings of a template that exists; "" when neither does.
std::string ExistingTemplate(const std::string& base) {
    if (platform::PathExists(base + ".vtt")) return base + ".vtt";
    if (platform::PathExists(base + ".htm")) return base + ".htm";
    return {};
}

std::size_t CountOccurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

}  // namespace

std::string Gallery::GetTemplatePath(const std::string& prefix) const {
    return templatesFolder + prefix + templateName;
}

std::string Gallery::IndexTemplatePath() const {
    return ExistingTemplate(GetTemplatePath("thumb_"));
}

int Gallery::CountImagesPerPage(bool& singlePage) const {
    const std::string path = IndexTemplatePath();
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) return 0;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    singlePage = text.find("{{nextpage}}") == std::string::npos;
    return static_cast<int>(CountOccurrences(text, "{{nextimage}}")) + 1;
}

std::string Gallery::Generate() {
    currentImage = 1;
    currentPage = 1;
    // Pages go only where this gallery holds the folder: another studio may be working in
    // the folder of the same name.
    if (!HoldsWorkingFolder()) {
        platform::DebugOutput("Gallery pages need a working folder of their own\n");
        return {};
    }
    DeleteMatchingFiles(workingFolder, "*.htm", true);
    folderLock_.MakeSubfolder("data");
    folderLock_.DeleteFiles("data");

    const std::string dataFolder = workingFolder + "data/";
    CopyTemplateDataFiles(workingFolder);
    GenerateScripts(dataFolder);
    generatedPages.clear();

    const int count = GetImageCount();
    bool singlePage = false;
    imagesPerPage = CountImagesPerPage(singlePage);
    pageTotal = count > imagesPerPage && imagesPerPage != 0 && !singlePage
                    ? (count - 1) / imagesPerPage + 1
                    : 1;

    const std::string first = GenerateIndexPage(platform::FormatC("index%d.htm", currentPage));
    if (pageTotal != 1) {
        // Every page starts one image further than the last one ended. A template that
        // steps back more than it steps forward would never reach the last image, so the
        // pages also end where a page per image would.
        std::string last = first;
        while (!last.empty() && currentImage < count && currentPage < count) {
            ++currentPage;
            ++currentImage;
            last = GenerateIndexPage(platform::FormatC("index%d.htm", currentPage));
        }
    }
    return first;
}

std::string Gallery::GenerateIndexPage(const std::string& pageName) {
    const std::string path = IndexTemplatePath();
    if (path.empty()) return {};
    return GenerateFromTemplate(path, workingFolder, pageName);
}

std::string Gallery::GenerateImagePage() {
    const std::string path = ExistingTemplate(GetTemplatePath("image_"));
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) return {};
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    stopped = false;
    skipDepth = 0;
    inImagePage_ = true;
    const std::string output = ExpandText(text, false);
    inImagePage_ = false;
    const std::string name = platform::FormatC("index%d_%d.htm", currentPage, currentImage);
    WriteGeneratedFile(workingFolder + name, output);
    return name;
}

void Gallery::GenerateScripts(const std::string& outputFolder) {
    const std::string folder = GetTemplatePath("") + "/";
    for (const platform::DirEntry& entry : platform::ListDirectory(folder)) {
        if (entry.kind != platform::DirEntry::Kind::File || !EndsWithJs(entry.name)) continue;
        GenerateFromTemplate(folder + entry.name, outputFolder, entry.name);
    }
}

bool Gallery::CopyTemplateDataFiles(const std::string& folder) {
    const std::string source = GetTemplatePath("") + "/";
    const std::string target = folder + "data/";
    for (const platform::DirEntry& entry : platform::ListDirectory(source)) {
        if (entry.kind == platform::DirEntry::Kind::Folder) {
            platform::DebugOutput("Directories not cleared at the moment\n");
            continue;
        }
        if (entry.kind != platform::DirEntry::Kind::File) {
            platform::DebugOutput("SystemFile should not be here!\n");
            continue;
        }
        if (EndsWithJs(entry.name)) continue;
        if (platform::CopyFileNoReplace(source + entry.name, target + entry.name) !=
            platform::FileError::None) {
            platform::ShowMessage(parentWindow, "Failed to copy template data files",
                                  "File copy error");
            return false;
        }
    }
    return true;
}

std::string Gallery::GetPageFile(int page) const {
    const int count = GetImageCount();
    if (count == 0 || page < 0) return {};
    if (page > count) page = count - 1;
    const int perPage = imagesPerPage > 0 ? imagesPerPage : 1;
    if (page >= (count - 1) / perPage + 1) return {};
    return workingFolder + platform::FormatC("index%d.htm", page + 1);
}

std::string Gallery::ExportFolderName(const std::string& title) {
    if (title.empty() || title == "." || title == "..") return "Vantelo";
    std::string name = title;
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) c = '_';
    }
    return name;
}

bool Gallery::Export(const PidlPath& folder) {
    const std::string chosen = folder.IsValid() ? folder.GetPath() : std::string();
    if (chosen.empty() || !platform::IsDirectory(chosen)) return false;

    // Every file of an export is new (its folder is made below, and the pages are written
    // after the old ones were deleted), so none is flushed on its own: all of them are put
    // on disk at the end, before success is reported. The flush covers a folder's whole
    // file system, so the sub-folders made on the way need no entry of their own.
    platform::DeferredFlush flush;
    flush.AddFolder(workingFolder);
    std::string first;
    {
        // Undone however Generate ends, so no later write reaches the flush once it is gone.
        struct Exporting {
            Gallery& gallery;
            Exporting(Gallery& g, platform::DeferredFlush& flush) : gallery(g) {
                gallery.exporting = true;
                gallery.flushLater_ = &flush;
            }
            ~Exporting() {
                gallery.flushLater_ = nullptr;
                gallery.exporting = false;
            }
        } during(*this, flush);
        first = Generate();
    }
    auto fail = [this] {
        platform::ShowMessage(parentWindow, "Failed to export gallery successfully",
                              kExportCaption);
        return false;
    };
    // A gallery without its first page is no gallery to hand out.
    if (first.empty() || !platform::PathExists(first)) return fail();

    const std::string parent = platform::WithTrailingSlash(chosen);
    const std::string name = ExportFolderName(title);
    std::string target;
    for (int k = 0;; ++k) {
        if (k == 10000) return fail();
        target = parent + (k == 0 ? name : name + platform::FormatC("_%d", k));
        if (platform::PathExists(target)) continue;
        const platform::FileError error = platform::CreateFolder(target);
        if (error == platform::FileError::None) {
            flush.AddFolder(target);
            break;
        }
        if (error != platform::FileError::Exists) return fail();
    }
    target += '/';

    if (!CopyFileWithProgress(parentWindow, templatesFolder + "main.htm", target + "main.htm") ||
        !CopyWorkingFolder(target)) {
        return fail();
    }
    if (flush.Flush() != platform::FileError::None) return fail();
    platform::ShowMessage(parentWindow,
                          "The Gallery has been successfully exported!\n\n"
                          "The files are located in:\n" +
                              target,
                          kExportCaption);
    changed = false;
    return true;
}

bool Gallery::CopyWorkingFolder(const std::string& exportFolder) {
    if (!CopyFilesWithProgress(workingFolder, exportFolder)) return false;
    const std::string data = exportFolder + "data/";
    const platform::FileError error = platform::CreateFolder(data);
    if (error != platform::FileError::None &&
        !(error == platform::FileError::Exists && platform::IsDirectory(data))) {
        return false;
    }
    return CopyFilesWithProgress(workingFolder + "data/", data);
}
