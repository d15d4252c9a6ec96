#include "studio/projects/PageChoices.h"

#include <algorithm>
#include <filesystem>

#include "platform/prompts/Prompts.h"
#include "platform/text/Ascii.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/PageImage.h"
#include "studio/projects/PageText.h"
#include "studio/projects/Vantelifier.h"

void SetZoomable(VantelifyPage& page, std::size_t index, bool on, Vantelifier& project) {
    if (index >= page.images.size() || page.images[index].zoomable == on) return;
    page.images[index].zoomable = on;
    // Turning a viewer on or off is an edit the user would lose on closing.
    project.SetModified(true);
    if (!on) return;
    const auto zoomable = std::count_if(page.images.begin(), page.images.end(),
                                        [](const PageImage& image) { return image.zoomable; });
    if (zoomable > 1) {
        platform::ShowMessage(
            nullptr,
            "Vantelifing more than one image on a page will probably result in poor performance",
            "Warning");
    }
}

void ApplyFields(VantelifyPage& page, std::size_t index, const PageImageFields& fields,
                 Vantelifier& project) {
    if (index >= page.images.size()) return;
    PageImage& image = page.images[index];
    image.zoomSource = fields.zoomSource;
    image.zoomWidth = fields.zoomWidth;
    image.zoomHeight = fields.zoomHeight;
    image.pagePicture = fields.pagePicture;
    image.pageWidth = fields.pageWidth;
    image.pageHeight = fields.pageHeight;
    project.SetModified(true);
}

std::string PageRelativePath(const std::string& pageFolder, const std::string& file) {
    const std::filesystem::path path = std::filesystem::path(file).lexically_normal();
    const std::filesystem::path folder = std::filesystem::path(pageFolder).lexically_normal();
    const std::filesystem::path relative = path.lexically_relative(folder);
    return relative.empty() ? path.generic_string() : relative.generic_string();
}

bool ChooseZoomSource(VantelifyPage& page, std::size_t index, const std::string& file,
                      Vantelifier& project) {
    if (index >= page.images.size() || !IsImageFile(file)) return false;
    page.images[index].zoomSource = PageRelativePath(project.GetPageFolder(), file);
    project.SetModified(true);
    project.WritePreview(page);
    return true;
}

bool ChoosePagePicture(VantelifyPage& page, std::size_t index, const std::string& file,
                       bool dropped, Vantelifier& project) {
    if (index >= page.images.size() || !IsImageFile(file)) return false;
    if (dropped &&
        platform::ToLowerAscii(std::filesystem::path(file).extension().string()) == ".lwf") {
        platform::ShowMessage(nullptr,
                              "Warning: Lurawave files are not commonly supported by browsers", "");
    }
    page.images[index].pagePicture = PageRelativePath(project.GetPageFolder(), file);
    project.SetModified(true);
    return true;
}
