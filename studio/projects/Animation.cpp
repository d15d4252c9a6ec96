#include "studio/projects/Animation.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "platform/files/FileOps.h"
#include "platform/files/Listing.h"
#include "platform/files/PathText.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/AnimationFile.h"

namespace {

constexpr const char* kPageName = "index.htm";
constexpr const char* kCopyFailedText = "Failed to copy image to temporary";
constexpr const char* kCopyFailedCaption = "Generator";

float Finite(float value) {
    return std::isfinite(value) ? value : 0.0f;
}

// The name without the text from its last '.' on.
std::string BaseName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool SameContent(const std::string& a, const std::string& b) {
    const auto sizeA = platform::FileSizeOf(a);
    if (!sizeA || sizeA != platform::FileSizeOf(b)) return false;
    std::ifstream inA(a, std::ios::binary);
    std::ifstream inB(b, std::ios::binary);
    if (!inA || !inB) return false;
    return std::equal(std::istreambuf_iterator<char>(inA), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(inB), std::istreambuf_iterator<char>());
}

// Copies a file of the working folder out without replacing anything of the user's: a
// file of that name may already be there only with the same content.
bool CopyOut(const std::string& from, const std::string& to) {
    const platform::FileError error = platform::CopyFileNoReplace(from, to);
    return error == platform::FileError::None ||
           (error == platform::FileError::Exists && SameContent(from, to));
}

// Copies the plain files of a folder into another; animation files stay behind. A page
// name given by the user takes the page, replacing the file the user chose.
bool CopyFolderFiles(const std::string& from, const std::string& to, const std::string& pageName) {
    bool ok = true;
    for (const platform::DirEntry& entry : platform::ListDirectory(from, "*", &ok)) {
        if (entry.kind != platform::DirEntry::Kind::File || IsAnimationFile(entry.name)) continue;
        const bool copied = entry.name == kPageName && !pageName.empty()
                                ? platform::CopyFileReplacing(from + entry.name, to + pageName) ==
                                      platform::FileError::None
                                : CopyOut(from + entry.name, to + entry.name);
        if (!copied) return false;
    }
    return ok;
}

}  // namespace

Animation::Animation(Properties& properties_) : Gallery(properties_) {
    SetTitle("Animation");
}

Animation::~Animation() = default;

void Animation::Initialize(QWidget* parent) {
    Gallery::Initialize(parent);
    animationChanged = false;
    if (!HoldsWorkingFolder()) return;
    const std::string from = templatesFolder + "data/";
    const std::string to = workingFolder + "data/";
    for (const platform::DirEntry& entry : platform::ListDirectory(from)) {
        if (entry.kind != platform::DirEntry::Kind::File || entry.name.ends_with(".js")) continue;
        platform::CopyFileReplacing(from + entry.name, to + entry.name);
    }
    GenerateDataScripts();
}

std::string Animation::GetExtraVariable(const std::string& name, const std::string& /*arguments*/) {
    // A speed read from a damaged file may lie anywhere in int; the page gets the true
    // difference.
    if (name == "animspeed") return platform::FormatC("%lld", 200LL - speed);
    if (name == "animmode") return platform::FormatC("%d", playMode);
    return "";
}

void Animation::SetTitle(const std::string& text) {
    Gallery::SetTitle(animation_file::SafeValue(text));
}

void Animation::SetPlayMode(int mode) {
    if (mode == playMode) return;
    playMode = mode;
    animationChanged = true;
}

bool Animation::HasImage() const {
    return !images.empty() && !images.front().fileName.empty();
}

int Animation::GetPointCount() const {
    return images.empty() ? 0 : static_cast<int>(images.front().points.size());
}

AnimationPoint* Animation::GetPoint(int index) {
    if (index < 0 || index >= GetPointCount()) return nullptr;
    return &*std::next(images.front().points.begin(), index);
}

AnimationPoint* Animation::InsertPoint(int index, const AnimationPoint& point) {
    if (images.empty() || index < -1 || index > GetPointCount()) return nullptr;
    std::list<AnimationPoint>& points = images.front().points;
    const auto before = index == -1 ? points.end() : std::next(points.begin(), index);
    AnimationPoint copy = point;
    // A position the viewer reported as not finite would break the page's script.
    copy.position =
        Vector3(Finite(point.position.x), Finite(point.position.y), Finite(point.position.z));
    animationChanged = true;
    return &*points.insert(before, std::move(copy));
}

bool Animation::RemovePoint(const AnimationPoint* point) {
    animationChanged = true;
    if (images.empty()) return false;
    std::list<AnimationPoint>& points = images.front().points;
    for (auto it = points.begin(); it != points.end(); ++it) {
        if (&*it == point) {
            points.erase(it);
            return true;
        }
    }
    return false;
}

void Animation::FillPointList(AnimationPointRows& rows) const {
    const int selected = rows.GetSelectedRow();
    rows.DeleteAllRows();
    if (images.empty()) return;
    for (const AnimationPoint& point : images.front().points) rows.AppendRow(point.name);
    if (selected >= 0 && selected < GetPointCount()) rows.SelectRow(selected);
}

std::string Animation::NextPointName() {
    return platform::FormatC("Unnamed %d", nextPointNumber++);
}

std::string Animation::GetImagePath() const {
    if (!HasImage()) return "";
    return pictureFolder + images.front().fileName;
}

std::string Animation::GetAnimationFilePath() const {
    const std::string image = GetImagePath();
    return image.empty() ? "" : animation_file::PathFor(image);
}

void Animation::GenerateDataScripts() {
    if (!HoldsWorkingFolder()) return;
    const std::string from = templatesFolder + "data/";
    for (const platform::DirEntry& entry : platform::ListDirectory(from, "*.js")) {
        if (entry.kind != platform::DirEntry::Kind::File || !entry.name.ends_with(".js")) continue;
        GenerateFromTemplate(from + entry.name, workingFolder + "data/", entry.name);
    }
}

std::string Animation::GeneratePage() {
    if (!HoldsWorkingFolder()) return "";
    SetVariable(
        TemplateVariable(playMode, "animmode", "standard", "Animation play mode", "animmode"));
    pagePath = GenerateFromTemplate(templatesFolder + "template.htm", workingFolder, kPageName);
    return pagePath;
}

bool Animation::ExportTo(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "./" : target.substr(0, slash + 1);
    const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
    // A page named like a file exported beside it would take that file's place; in the
    // picture's own folder that is the user's picture.
    if (!name.empty() && name != kPageName &&
        (name == "data" || platform::PathExists(workingFolder + name))) {
        return false;
    }
    SetExporting(true);
    const std::string page = GeneratePage();
    SetExporting(false);
    // A page that could not be written is no export.
    if (page.empty() || !platform::PathExists(page) || !platform::IsDirectory(folder)) {
        return false;
    }
    const std::string data = folder + "data/";
    const platform::FileError made = platform::CreateFolder(data);
    if (made != platform::FileError::None && !platform::IsDirectory(data)) return false;
    return CopyFolderFiles(workingFolder, folder, name) &&
           CopyFolderFiles(workingFolder + "data/", data, "");
}

bool Animation::SaveToFolder(const std::string& folder) {
    const std::string base = platform::WithTrailingSlash(folder) + ExportFolderName(title);
    std::string directory;
    for (int k = 0; k < 100000 && directory.empty() && !folder.empty(); ++k) {
        const std::string candidate = k == 0 ? base : base + platform::FormatC("%d", k);
        const platform::FileError error = platform::CreateFolder(candidate);
        if (error == platform::FileError::None) {
            directory = candidate + "/";
        } else if (error != platform::FileError::Exists) {
            break;
        }
    }
    if (directory.empty() || !ExportTo(directory)) {
        platform::ShowMessage(nullptr, "Failed to save animation successfully", "Animation save");
        return false;
    }
    platform::ShowMessage(nullptr,
                          "The Animation has been successfully saved!\n\n"
                          "The files are located in:\n" +
                              directory,
                          "Animation save");
    return true;
}

bool Animation::Open(const std::string& givenPath) {
    std::string path = givenPath;
    if (!images.empty() && HoldsWorkingFolder()) {
        const std::string old = images.front().fileName;
        if (!old.empty()) {
            platform::RemoveFile(workingFolder + old);
            platform::RemoveFile(animation_file::PathFor(workingFolder + old));
        }
    }
    images.clear();
    const std::size_t nameStart = GetFileNameOffset(path);
    pictureFolder = path.substr(0, nameStart);

    bool havePicture = true;
    if (IsAnimationFile(path)) {
        havePicture = false;
        const std::string base = BaseName(path.substr(nameStart));
        for (const platform::DirEntry& entry : platform::ListDirectory(pictureFolder, "*")) {
            if (entry.kind == platform::DirEntry::Kind::File && BaseName(entry.name) == base &&
                IsImageFile(entry.name)) {
                path = pictureFolder + entry.name;
                havePicture = true;
                break;
            }
        }
        if (!havePicture) {
            platform::ShowMessage(nullptr, "Can not find the image file", "Opening '.vte' file");
        }
    }

    GalleryImage image;
    if (havePicture) {
        const std::string name = path.substr(nameStart);
        if (!CopyIntoWorkingFolder(path, name)) return false;
        image.fileName = name;
        image.fileSize =
            static_cast<std::int64_t>(platform::FileSizeOf(workingFolder + name).value_or(0));
        const std::string animationFile = animation_file::PathFor(pictureFolder + name);
        if (platform::PathExists(animationFile)) {
            platform::CopyFileReplacing(animationFile,
                                        animation_file::PathFor(workingFolder + name));
        }
    }
    LoadAnimationFile(path, image.points);
    images.push_back(std::move(image));
    return true;
}

bool Animation::LoadImage(const std::string& path) {
    animationChanged = true;
    const std::size_t nameStart = GetFileNameOffset(path);
    const std::string name = path.substr(nameStart);
    if (images.empty()) {
        if (name.rfind('.') != std::string::npos) SetTitle(BaseName(name));
        return Open(path);
    }
    // The new copy is in place before the old one goes, so a failed copy loses nothing:
    // the animation keeps its picture and its points.
    if (!CopyIntoWorkingFolder(path, name)) return false;
    GalleryImage& image = images.front();
    if (!image.fileName.empty() && image.fileName != name) {
        platform::RemoveFile(workingFolder + image.fileName);
        platform::RemoveFile(animation_file::PathFor(workingFolder + image.fileName));
    }
    pictureFolder = path.substr(0, nameStart);
    image.Reset();
    image.fileName = name;
    image.fileSize =
        static_cast<std::int64_t>(platform::FileSizeOf(workingFolder + name).value_or(0));
    return true;
}

bool Animation::CopyIntoWorkingFolder(const std::string& path, const std::string& name) {
    // A picture copied over one of the same name replaces it only once the copy is whole.
    if (HoldsWorkingFolder() && platform::IsPlainName(name) &&
        platform::CopyFileReplacing(path, workingFolder + name) == platform::FileError::None) {
        return true;
    }
    platform::ShowMessage(nullptr, kCopyFailedText, kCopyFailedCaption);
    return false;
}

std::string Animation::WriteAnimationText() const {
    animation_file::Settings settings;
    settings.title = title;
    settings.playMode = playMode;
    settings.speed = speed;
    settings.windowWidth = windowWidth;
    settings.windowHeight = windowHeight;
    static const std::list<AnimationPoint> kNoPoints;
    return animation_file::Write(settings, images.empty() ? kNoPoints : images.front().points);
}

bool Animation::SaveAnimationFile() {
    if (!HasImage()) return false;
    if (!animation_file::Save(GetAnimationFilePath(), WriteAnimationText())) return false;
    animationChanged = false;
    return true;
}

bool Animation::LoadAnimationFile(const std::string& path, std::list<AnimationPoint>& points) {
    std::string text;
    switch (animation_file::Load(animation_file::PathFor(path), text)) {
        case animation_file::LoadResult::Missing:
            return false;
        case animation_file::LoadResult::TooLarge:
            platform::ShowMessage(nullptr, "The animation file seems to be corrupt",
                                  "Serious error");
            return false;
        case animation_file::LoadResult::Ok:
            break;
    }
    ParseAnimationText(text, points);
    return true;
}

void Animation::ParseAnimationText(std::string_view text, std::list<AnimationPoint>& points) {
    animationChanged = false;
    animation_file::ReadValues values;
    const std::size_t before = points.size();
    const bool whole = animation_file::Parse(text, values, points);
    if (values.title) SetTitle(*values.title);
    if (values.playMode) playMode = *values.playMode;
    if (values.speed) speed = *values.speed;
    if (values.windowWidth) SetWindowWidth(*values.windowWidth);
    if (values.windowHeight) SetWindowHeight(*values.windowHeight);
    nextPointNumber += static_cast<int>(points.size() - before);
    if (!whole) {
        platform::ShowMessage(nullptr, "The animation file seems to be corrupt", "Serious error");
    }
}
