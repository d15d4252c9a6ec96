#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Geometry.h"
#include "imaging/PictureInfo.h"  // SwapRedBlue, shared with the image library

class IPTCData;
class PidlPath;
class QWidget;
namespace platform {
class DibSection;
}
namespace platform::shellns {
class Folder;
}

// The studio's shared file and shell helpers: name tests, text helpers, file queries,
// deleting to the Trash, listing, copying and moving with collision handling, unique
// names, URL canonicalisation, the viewer control's registration switch and the bitmap
// helpers that render thumbnails. Nothing here needs Qt; the dialogs the copy functions
// may show are reached through the hooks below, which a GUI process installs
// (InstallShellDialogs in ShellDialogs.h) and tests script.

// ---- File-name tests: on the end of the text, without regard to case; a text shorter
// than 4 characters never matches.

// ".jpg", ".jpeg", ".jpe", ".png", ".bmp", ".tga", and ".lwf" while the LuraWave codec
// library is available.
bool IsImageFile(std::string_view name);
bool IsHtmlFile(std::string_view name);       // ".htm", ".html"
bool IsAnimationFile(std::string_view name);  // ".vte"

// ---- Text helpers

// Lower-cases ASCII letters in place (a null text is left alone).
void LowerCaseLetters(char* text);
void LowerCaseLetters(std::string& text);
// Index just after the last '/' or '\\'; 0 when there is none or for a null text.
std::size_t GetFileNameOffset(const char* text);
std::size_t GetFileNameOffset(std::string_view text);
// The folder part of a path with its trailing separator ("" for a bare name).
std::string FolderOf(std::string_view path);
// Replaces the file name's extension (from its last '.') with `ext`; a name without a '.'
// is left as it is. Dots in the folder part are never taken for an extension.
void ReplaceExtension(std::string& text, std::string_view ext);
// When `marker` occurs in `text`, `text` becomes what follows its first occurrence.
void TakeTextAfter(std::string_view marker, std::string& text);
// Canonicalises a URL or a relative reference: "." and ".." segments of its path resolved,
// then %XX escapes decoded (%00 stays escaped). False, with `text` unchanged, when the
// result would not fit 387 characters.
bool CanonicalizeUrl(std::string& text);
// The companion of a file: the same name with its extension replaced (or, for a name
// without one, appended), in the same folder. Empty when the file would be its own
// companion.
std::string CompanionPath(std::string_view path, std::string_view extension);

// The display name the folder gives an item (a single-item list relative to it) for
// `flags`, copied into `buffer`: cut to fit at a character boundary, always terminated.
// False when the folder cannot name the item or the buffer holds nothing.
bool DisplayNameOf(const platform::shellns::Folder* folder, const std::uint8_t* item,
                   unsigned flags, char* buffer, std::size_t size);
// Frees the list of a path; a null path only writes a debug line.
void FreePidl(PidlPath* path);

// ---- File queries. A name whose last part holds '*' or '?' stands for its first match
// in listing order.
std::uint64_t GetFileSize(const std::string& path);  // 0 when nothing matches
bool FileExists(const std::string& path);

// ---- Shell settings

// The user's "show all objects" setting: the DWORD ShowAllObjects under
// HKCU\Software\Vantelo\Shell, 0 (hidden files not shown) by default.
bool ShowHiddenFiles();
// The folder dialog, starting at the folder chosen last time in this process; the choice
// is remembered. Empty when cancelled.
std::string BrowseForFolder(QWidget* owner, std::string_view title);

// ---- Deleting

// Leaves out the message when a file cannot be moved to the Trash.
constexpr unsigned kDeleteNoErrorUi = 0x0400;
// The question the desktop asks before files go to the Trash, once for what the user chose
// (the picture's companions and a folder's contents go with it unasked). True for Yes.
bool ConfirmDelete(QWidget* owner, const std::vector<std::string>& chosen);
// Moves the files and folders to the Trash, nothing deleted for good. Each path is taken
// as it stands (wildcards are part of the name). True when every one went; a failure shows a
// message (unless kDeleteNoErrorUi) and the rest still go. Asks nothing: the caller asks
// first, about the items the user chose (ConfirmDelete).
bool DeleteFiles(QWidget* owner, const std::vector<std::string>& paths, unsigned flags = 0);
// Deletes for good the files of a folder that match the pattern (used on the studio's own
// working folders). Folders and special files stay, with a debug line; with `force`, a
// file that cannot be deleted is made writable and tried again. True when every matching
// file is gone.
bool DeleteMatchingFiles(const std::string& folder, std::string_view pattern, bool force);

// ---- Listing

// Full paths of the folder's files that match the pattern, in listing order; with
// `recurse`, matching sub-folders are listed too.
std::vector<std::string> ListFiles(const std::string& folder, std::string_view pattern,
                                   bool recurse);

// ---- Copying and moving

// Results of the one-file copies.
enum CopyResult { kCopyFailed = 0, kCopied = 1, kCopiedOver = 2, kCopyCancelled = 3 };

// Copies one file to `to` (a free name in the same folder when `to` is taken), showing the
// progress dialog "Copying files...". True on success.
bool CopyFileWithProgress(QWidget* owner, const std::string& from, const std::string& to);
// Copies the files of a folder (not its sub-folders) into another, renaming on
// collision, with the progress dialog. True at once when there is nothing to copy; false
// when a copy failed or the user stopped it.
bool CopyFilesWithProgress(const std::string& fromFolder, const std::string& toFolder);

// Copies `source` to `target` (= `targetFolder` + `name`). When the target exists: with
// `renameAll` a unique name is taken, with `overwriteAll` the target is replaced, else the
// user is asked (the rename question below), whose "All" answers set the flags for the
// rest of the operation. Errors are shown in message boxes. The name finally used is
// written back to `name`. A file is never copied over itself: that copy is done already.
int CopyFileChecked(const std::string& source, const std::string& target,
                    const std::string& targetFolder, std::string& name, bool& renameAll,
                    bool& overwriteAll);
// CopyFileChecked, then for a move (the studio clipboard's mode 1) the source is deleted
// once the copy is complete and of the source's size. A hidden ".vte" animation beside
// the picture goes along under the picture's new name. Returns the picture's result.
int CopyOrMoveFile(const std::string& source, const std::string& target,
                   const std::string& targetFolder, std::string& name, bool& renameAll,
                   bool& overwriteAll);
// Copies (or moves) a folder with everything in it; both texts end in '/'. A folder
// pasted where it is becomes "Copy of " + its name (then with 1, 2, ... appended). A
// target inside the source is refused. Animation files travel with their pictures.
int CopyFolder(const std::string& source, const std::string& target, bool& renameAll,
               bool& overwriteAll);
// The first free name in the folder: `name`, else base + "_1" + extension, "_2", ...; a
// base that already ends in "_n" continues from n + 1.
std::string MakeUniqueName(const std::string& folder, const std::string& name);

// The mode the move functions read: 0 copy, 1 move. The studio clipboard's mode.
int CopyMode();

// ---- Hooks for the dialogs of the copy functions

// The answer to "Rename file": a copy met an existing file.
struct RenameChoice {
    enum Kind { Cancel, UseName, AutoRename, Overwrite };
    Kind kind = Cancel;
    bool all = false;  // the "All" variant of AutoRename or Overwrite
    std::string name;  // the edited name, for UseName
};
using RenameQuestion =
    std::function<RenameChoice(const std::string& existingName, const std::string& proposedName)>;
// Installs the question (empty: none, which answers Cancel); returns the one before.
RenameQuestion SetRenameQuestion(RenameQuestion question);

// A progress window of a copy. Update returns false when the user stopped it.
class CopyProgressView {
public:
    virtual ~CopyProgressView() = default;
    virtual bool Update(std::uint64_t done, std::uint64_t total, const std::string& current) = 0;
};
using CopyProgressFactory =
    std::function<std::unique_ptr<CopyProgressView>(QWidget* owner, const std::string& title)>;
// Installs the progress window maker (empty: copies show nothing); returns the one before.
CopyProgressFactory SetCopyProgressFactory(CopyProgressFactory factory);

// ---- The viewer control's registration switch, on
// HKCR\CLSID\{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}\InprocServer32.

constexpr const char* kViewerControlClsid = "{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}";
// True when the key's default value is shorter than 2 bytes (switched off).
bool IsViewerControlDisabled();
// Off keeps the registered library in the value "Disabled" and empties the default value;
// on puts it back. Switching to the state the registration is in changes nothing. False
// when the key or a needed value is missing.
bool SetViewerControlEnabled(bool on);
// Whether the control can be created.
bool ProbeViewerControl();

// ---- Bitmap helpers. Bitmaps are 24-bit, top-down; colours are Windows colour values
// (red in the low byte).

// Decodes a picture no larger than needed for the box and scales it with area averaging:
// a picture of the box's size fills it; otherwise it keeps its aspect ratio, a wide one
// taking the full width flush with the bottom edge, a tall one the full height centred.
// Mode 1 gives exactly the scaled size; any other mode the box, `background` where the
// picture does not cover it. `info` receives the decoder's description, `size` the
// picture's full size, `iptc` its IPTC record. Null when decoding fails.
std::unique_ptr<platform::DibSection> RenderThumbnail(const Vector2<int>& box,
                                                      const std::string& path, PictureInfo* info,
                                                      Vector2<int>* size, std::uint32_t background,
                                                      int mode, IPTCData* iptc);
// Renders as above, copies 16 x 14 pixels of `mark` (when given) to (box width - 18, 2) and
// writes a JPEG of the quality to `target` (its extension replaced by ".jpg" when it names
// a picture). The file is replaced only by a complete new one, and never when it is the
// source. False when rendering or writing failed.
bool SaveThumbnailJpeg(const Vector2<int>& box, const std::string& source,
                       const std::string& target, int quality, PictureInfo* info,
                       Vector2<int>* size, IPTCData* iptc, const platform::DibSection* mark,
                       std::uint32_t background, int mode);
// A bitmap of the first one's size holding the first, with the second copied in at
// x = first width - second width (never below 0).
std::unique_ptr<platform::DibSection> ConcatBitmaps(const platform::DibSection& first,
                                                    const platform::DibSection& second);
// A grey copy: 24 and 32 bits take (r + g + b) / 3 (32-bit: fourth byte 0), 16 bits (5-5-5)
// the mean of the three fields. Null below 16 bits per pixel.
std::unique_ptr<platform::DibSection> CreateGreyBitmap(const platform::DibSection& bitmap);

// The text with a line break before every character at which the line's width, as
// `measure` gives it, reaches `width`. Characters are whole UTF-8 sequences.
std::string WrapTextToWidth(std::string_view text, int width,
                            const std::function<int(std::string_view)>& measure);
// Sets a window's text wrapped to its client width in its font.
void SetWrappedWindowText(QWidget* window, const std::string& text);
