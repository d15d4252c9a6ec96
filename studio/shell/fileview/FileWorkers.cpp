#include "studio/shell/fileview/FileWorkers.h"

#include <algorithm>
#include <condition_variable>
#include <iterator>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "platform/shellns/ShellNamespace.h"
#include "platform/sync/InParts.h"
#include "studio/core/ShellUtils.h"

namespace shellns = platform::shellns;

// Looking at one entry costs a few file-system calls: a folder of thousands is looked at in
// parts on several threads, so the list is not kept waiting.
constexpr std::size_t kEntriesPerPart = 1024;

std::optional<FolderListing> ListFolder(const PidlPath& folder, bool showHidden, int generation,
                                        const std::atomic<int>& current) {
    FolderListing listing;
    listing.generation = generation;
    std::shared_ptr<const shellns::Folder> bound =
        folder.IsValid() ? folder.GetShellFolder() : nullptr;
    unsigned flags = shellns::kEnumFolders | shellns::kEnumNonFolders;
    if (showHidden) flags |= shellns::kEnumIncludeHidden;
    std::vector<shellns::IdList> children;
    if (!bound || !bound->EnumObjects(flags, children)) {
        listing.unreadable = true;
        if (current.load() != generation) return std::nullopt;
        return listing;
    }

    // Whether a folder holds folders is no concern of the list: asking it would read every
    // sub-folder.
    constexpr std::uint32_t kWanted =
        shellns::kAttrFolder | shellns::kAttrFileSystem | shellns::kAttrFileSysAncestor;
    struct Part {
        std::vector<ListedEntry> folders;
        std::vector<ListedEntry> files;
    };
    std::mutex partsMutex;
    std::map<std::size_t, Part> done;
    platform::RunInParts(children.size(), kEntriesPerPart, [&](std::size_t begin, std::size_t end) {
        Part part;
        for (std::size_t i = begin; i < end; ++i) {
            if (current.load() != generation) return;
            const shellns::IdList& child = children[i];
            const PidlPath item(child.data());
            const std::uint32_t attributes = bound->GetAttributesOf(child.data(), kWanted);
            if ((attributes & (shellns::kAttrFileSystem | shellns::kAttrFileSysAncestor)) == 0) {
                continue;
            }
            std::optional<std::string> name =
                bound->GetDisplayNameOf(child.data(), shellns::kNameNormal);
            if (!name || name->empty()) continue;
            const bool isFolder = (attributes & shellns::kAttrFolder) != 0;
            auto record = CreateItem(bound, folder, item, isFolder);
            const std::string path = record->path.GetPath();
            record->iconName = IconNameFor(path, isFolder);
            if (isFolder) {
                part.folders.push_back({std::move(*name), std::move(record)});
                continue;
            }
            if (!IsListedFile(path)) continue;
            record->kind = IsHtmlFile(path) ? kKindPage : kKindPicture;
            part.files.push_back({std::move(*name), std::move(record)});
        }
        std::lock_guard hold(partsMutex);
        done.emplace(begin, std::move(part));
    });
    if (current.load() != generation) return std::nullopt;
    for (auto& [begin, part] : done) {
        std::move(part.folders.begin(), part.folders.end(), std::back_inserter(listing.folders));
        std::move(part.files.begin(), part.files.end(), std::back_inserter(listing.files));
    }
    auto byName = [](const ListedEntry& a, const ListedEntry& b) {
        return NameLess(a.name, b.name);
    };
    std::sort(listing.folders.begin(), listing.folders.end(), byName);
    std::sort(listing.files.begin(), listing.files.end(), byName);
    if (current.load() != generation) return std::nullopt;
    return listing;
}

namespace {

// What the worker decided for one item before decoding.
struct Plan {
    const ThumbnailTask* task = nullptr;
    std::string source;  // the file to decode; empty: nothing to decode
    bool marked = false;
    bool keep = false;  // a kept thumbnail, nothing to send
    int keptSlot = 0;
    int fixedSlot = -1;  // send this fixed slot
};

// The kept thumbnails by the path they were made from.
using KeptIndex = std::unordered_map<std::string, int>;

Plan PlanItem(const ThumbnailJob& job, const KeptIndex& kept, const ThumbnailTask& task) {
    Plan plan;
    plan.task = &task;
    const std::string path = job.folderText + task.name;
    switch (task.kind) {
        case kKindFolder:
            if (FileExists(path + ".vtd"))
                plan.source = path + ".vtd";
            else
                plan.keep = true;  // it shows its icon already
            return plan;
        case kKindPage:
            plan.fixedSlot = kSlotPage;
            return plan;
        case kKindPicture:
        case kKindBroken:
            break;
        default:
            plan.keep = true;
            return plan;
    }
    if (const auto found = kept.find(path); found != kept.end()) {
        if (FileSizeOf(path) == job.thumbnails.at(found->second).fileSize) {
            plan.keep = true;
            plan.keptSlot = found->second;
            return plan;
        }
    }
    plan.source = path;
    plan.marked = FileExists(CompanionPath(path, ".vte"));
    return plan;
}

}  // namespace

void MakeThumbnails(const ThumbnailJob& job, const std::atomic<int>& current,
                    const std::function<void(ItemPicture)>& post, int threads) {
    std::map<int, ImageInfo> taken = job.thumbnails;
    KeptIndex kept;
    if (job.merge) {
        for (const auto& [slot, info] : job.thumbnails) {
            if (info.valid) kept.emplace(info.fileName, slot);
        }
    }
    int count = job.imageCount;
    int next = kFirstThumbnailSlot;
    const auto decoders = static_cast<std::size_t>(std::clamp(threads, 1, kMostDecoders));

    // Planning asks the file system of every item (kept thumbnails: is the file unchanged?).
    std::vector<Plan> planned(job.tasks.size());
    platform::RunInParts(
        job.tasks.size(), kEntriesPerPart, [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end && current.load() == job.generation; ++i) {
                planned[i] = PlanItem(job, kept, job.tasks[i]);
            }
        });

    // Decoders take the items in order, at most `ahead` past the one handed on next, so
    // what waits to be handed on stays small however slow one picture is; results are
    // handed on in the job's order, so the slots are those one decoder would give. Item i
    // waits in place i % ahead: the item that had it before was handed on before i was taken.
    const std::size_t total = planned.size();
    const std::size_t ahead = decoders * 4;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<RenderedThumbnail>> results(ahead);
    std::vector<char> ready(ahead, 0);
    std::size_t claimed = 0;
    std::size_t handed = 0;
    bool stop = false;
    auto decode = [&] {
        for (;;) {
            std::size_t i = 0;
            {
                std::unique_lock hold(mutex);
                changed.wait(hold,
                             [&] { return stop || claimed >= total || claimed < handed + ahead; });
                if (stop || claimed >= total) return;
                i = claimed++;
            }
            std::optional<RenderedThumbnail> thumbnail;
            const Plan& plan = planned[i];
            if (!plan.source.empty() && current.load() == job.generation) {
                thumbnail = RenderFileThumbnail(plan.source, plan.marked, false);
            }
            {
                std::lock_guard hold(mutex);
                results[i % ahead] = std::move(thumbnail);
                ready[i % ahead] = 1;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(decoders);
    for (std::size_t n = 0; n < decoders; ++n) {
        try {
            pool.emplace_back(decode);
        } catch (const std::system_error&) {
            // Out of threads: those started do the work; with none, this fails as it must,
            // with no thread left running.
            if (pool.empty()) throw;
            break;
        }
    }

    // `handed` changes only under the lock, since the decoders read it to know how far
    // ahead they may go.
    while (handed < total) {
        std::optional<RenderedThumbnail> thumbnail;
        std::size_t at = 0;
        {
            std::unique_lock hold(mutex);
            const std::size_t place = handed % ahead;
            changed.wait(hold, [&] { return ready[place] != 0; });
            thumbnail = std::move(results[place]);
            results[place].reset();
            ready[place] = 0;
            at = handed++;
        }
        changed.notify_all();  // one more may be taken
        if (current.load() != job.generation) break;
        const Plan& plan = planned[at];
        if (plan.keep) {
            if (plan.keptSlot != 0) next = plan.keptSlot + 1;
            continue;
        }
        ItemPicture picture;
        picture.generation = job.generation;
        picture.index = plan.task->index;
        picture.kind = plan.task->kind;
        if (plan.fixedSlot >= 0) {
            picture.slot = plan.fixedSlot;
        } else if (thumbnail) {
            picture.slot = FileImages::PickSlot(next, false, count, taken);
            if (picture.slot == count) ++count;
            taken[picture.slot] = thumbnail->info;
            next = picture.slot + 1;
            picture.thumbnail = std::move(thumbnail);
        } else if (plan.task->kind == kKindFolder) {
            continue;  // the folder keeps its icon
        } else {
            picture.slot = kSlotBroken;
            picture.kind = kKindBroken;
        }
        post(std::move(picture));
    }
    {
        std::lock_guard hold(mutex);
        stop = true;
    }
    changed.notify_all();
    for (std::thread& thread : pool) thread.join();
}
