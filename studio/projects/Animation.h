#pragma once

#include <list>
#include <string>
#include <string_view>

#include "studio/core/AnimationPoint.h"
#include "studio/projects/Gallery.h"

// The rows of a list that shows an animation's points: what the animation needs of the
// sheet's list control to fill it.
class AnimationPointRows {
public:
    virtual ~AnimationPointRows() = default;
    // The selected row, or -1.
    virtual int GetSelectedRow() const = 0;
    virtual void DeleteAllRows() = 0;
    virtual void AppendRow(const std::string& name) = 0;
    // Selects and focuses the row.
    virtual void SelectRow(int row) = 0;
};

// An animation: a zoom path over one picture, played back by a generated page. It is a
// gallery with exactly one image, whose point list holds the path in playing order; its
// settings and points are kept beside the picture in a hidden ".vte" file.
class Animation : public Gallery {
public:
    // The play modes, in the order the sheet lists them.
    enum PlayMode {
        kPlayOnce = 0,
        kLoopForward,
        kWarpForward,
        kLoopBackward,
        kWarpBackward,
        kLoopPingPong,
    };

    explicit Animation(Properties& properties = Properties::Instance());
    ~Animation() override;

    // The gallery's working folder, then the template's data files and expanded scripts in
    // its "data/"; the animation becomes unchanged.
    void Initialize(QWidget* parent) override;
    std::string GetTemplateSubfolder() const override { return "animation/"; }
    // "animspeed": 200 minus the speed; "animmode": the play mode; "" for other names.
    std::string GetExtraVariable(const std::string& name, const std::string& arguments) override;

    // The title with '<' and '>' replaced, so that the animation file always reads back
    // whole.
    void SetTitle(const std::string& text);

    // The speed as the user sees it (the sheet marks the change itself).
    void SetSpeed(int value) { speed = value; }
    int GetSpeed() const { return speed; }
    int GetPlayMode() const { return playMode; }
    void SetPlayMode(int mode);

    // The animation's own unsaved-changes flag, apart from the gallery's.
    bool IsModified() const { return animationChanged; }
    void SetModified() { animationChanged = true; }
    // Whether the animation has its picture.
    bool HasImage() const;

    // ---- Points, in playing order
    int GetPointCount() const;
    // Null when the index is out of range.
    AnimationPoint* GetPoint(int index);
    // Inserts a copy before the point at `index` (-1 appends) and returns it; null, with
    // nothing inserted, for an index past the end or without a picture entry.
    AnimationPoint* InsertPoint(int index, const AnimationPoint& point);
    // Removes the point (by identity); false when it is not one of this animation's.
    bool RemovePoint(const AnimationPoint* point);
    // Refills the rows with the point names, keeping the selected row where it can.
    void FillPointList(AnimationPointRows& rows) const;
    // "Unnamed %d" with the next point number, which is then counted up.
    std::string NextPointName();

    // The picture in its own folder, and its animation file there; "" without a picture.
    std::string GetImagePath() const;
    std::string GetAnimationFilePath() const;
    // The folder the picture came from, ending with '/'.
    const std::string& GetPictureFolder() const { return pictureFolder; }
    const std::string& GetPagePath() const { return pagePath; }

    // ---- Pages
    // Expands the template's scripts into the working folder's "data/".
    void GenerateDataScripts();
    // Expands the template page into the working folder as "index.htm"; returns its path.
    std::string GeneratePage();
    // Generates the page for export and copies it, the picture and "data/" into the
    // folder of `target`; the page takes the target's file name (a target ending in '/'
    // keeps "index.htm"), and may not be the name of another exported file. No animation
    // file reaches the target.
    bool ExportTo(const std::string& target);
    // Exports into a new folder inside `folder` named after the title (then title1,
    // title2, ...), and tells the user how it went.
    bool SaveToFolder(const std::string& folder);

    // ---- The picture
    // Opens a picture, or the picture of an animation file, with the animation file's
    // settings and points.
    bool Open(const std::string& path);
    // Takes another picture for the animation, keeping its points; without a picture yet,
    // opens the picture with its own animation file.
    bool LoadImage(const std::string& path);

    // ---- The animation file
    std::string WriteAnimationText() const;
    // Writes the animation file beside the picture. False, with the animation still
    // changed, when there is no picture or the file could not be written whole.
    bool SaveAnimationFile();
    // Reads the animation file of `path` into the settings and appends its points to
    // `points`. False when there is no such file (nothing changes then).
    bool LoadAnimationFile(const std::string& path, std::list<AnimationPoint>& points);
    // Reads a file's text; a damaged text is reported once and what was read stays.
    void ParseAnimationText(std::string_view text, std::list<AnimationPoint>& points);

private:
    // Copies a picture into the working folder under `name`; tells the user when it fails.
    bool CopyIntoWorkingFolder(const std::string& path, const std::string& name);

    int speed = 100;
    int playMode = kWarpForward;
    std::string pagePath;
    int nextPointNumber = 1;
    bool animationChanged = false;
    std::string pictureFolder;
};
