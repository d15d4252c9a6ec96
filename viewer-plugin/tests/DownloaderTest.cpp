#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/MemoryStream.h"
#include "testing/LoopbackServer.h"
#include "testing/TaskQueue.h"
#include "testing/TempDir.h"
#include "viewer-plugin/loading/Downloader.h"

namespace {

using namespace platform;
using testing_support::HttpReply;
using testing_support::LoopbackServer;
using testing_support::PatternBytes;

// A loader stand-in that checks it is only touched under its own lock.
struct Reader : DownloadReader {
    Semaphore& LoaderSemaphore() override { return semaphore; }
    void StopLoading() override {
        lockedEachTime &= semaphore.Count() == 0;
        ++stops;
    }
    void BufferMoved(const std::uint8_t* block) override {
        lockedEachTime &= semaphore.Count() == 0;
        moves.push_back(block);
    }

    Semaphore semaphore{1, 1};
    bool lockedEachTime = true;
    int stops = 0;
    std::vector<const std::uint8_t*> moves;
};

struct Owner : DownloadOwner {
    using Downloader = CDownloader<Owner>;

    void SetDownloadBinding(IBinding* running) override { binding.Share(running); }
    DownloadReader* GetDownloadReader() override { return reader; }

    static void OnData(Owner* owner, Downloader* downloader, std::uint8_t* buffer,
                       std::size_t count) {
        owner->journal += buffer == nullptr ? "end " : "data ";
        if (buffer != nullptr) {
            owner->counts.push_back(count);
            return;
        }
        owner->allocations = downloader->buffer().allocations();
        owner->capacity = downloader->buffer().capacity();
        if (owner->takeBuffer) {
            owner->taken = downloader->TakeBuffer();
        } else if (owner->freeBuffer) {
            downloader->FreeBuffer();
        }
    }
    static void OnDone(Owner* owner, Downloader* downloader, std::uint8_t* buffer) {
        owner->journal += buffer == nullptr ? "failed " : "done ";
        ++owner->dones;
        owner->succeeded = buffer != nullptr;
        if (buffer != nullptr) {
            owner->bytes.assign(reinterpret_cast<char*>(buffer), downloader->BytesRead());
        }
    }
    static void OnProgress(Owner* owner, std::uint32_t progress, std::uint32_t max, std::uint32_t) {
        owner->progress = progress;
        owner->progressMax = max;
    }

    Downloader* Make() {
        Downloader* downloader = nullptr;
        EXPECT_EQ(Downloader::CreateDownloader(&downloader, this), S_OK);
        downloader->SetCallbacks(&OnData, &OnDone, &OnProgress);
        return downloader;
    }

    ComPtr<IBinding> binding;
    DownloadReader* reader = nullptr;
    bool takeBuffer = false;
    bool freeBuffer = true;
    DownloadBuffer taken;
    std::string journal;
    std::vector<std::size_t> counts;
    std::string bytes;
    int dones = 0;
    bool succeeded = false;
    int allocations = 0;
    std::size_t capacity = 0;
    std::uint32_t progress = 0;
    std::uint32_t progressMax = 0;
};

// Drives a downloader's callbacks directly, as a binding would.
struct Feed {
    explicit Feed(DownloaderCore* target, const std::string& content)
        : downloader(target), stream(MemoryStream::Create({content.begin(), content.end()})) {}
    ~Feed() { stream->Release(); }

    HRESULT Data(std::uint32_t flags, std::uint32_t size) {
        STGMEDIUM medium{TYMED_ISTREAM, stream};
        return downloader->OnDataAvailable(flags, size, nullptr, &medium);
    }

    DownloaderCore* downloader;
    MemoryStream* stream;
};

TEST(Downloader, SizesItsBufferFromTheAnnouncementAndGrowsPastIt) {
    const struct {
        const char* name;
        std::uint32_t announced;
        std::size_t sent;
        std::size_t capacity;
        int allocations;
    } cases[] = {
        {"no length", 0, 1000, DownloadBuffer::kUnannounced, 1},
        {"a length", 5000, 5000, 5001, 1},
        {"more than announced", 100, 5000, 5000, 3},
        {"more than 2 MiB without a length", 0, 0x200000 + 10, 0x400000, 2},
        {"an empty announcement", 0, 1, DownloadBuffer::kUnannounced, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        Owner::Downloader* downloader = owner.Make();
        const std::string content = PatternBytes(c.sent);
        Feed feed(downloader, content);
        EXPECT_EQ(downloader->OnProgress(0, c.announced, BINDSTATUS_BEGINDOWNLOADDATA, nullptr),
                  S_OK);
        const auto half = static_cast<std::uint32_t>(c.sent / 2);
        EXPECT_EQ(feed.Data(BSCF_FIRSTDATANOTIFICATION, half), S_OK);
        EXPECT_EQ(feed.Data(BSCF_LASTDATANOTIFICATION, static_cast<std::uint32_t>(c.sent)), S_OK);
        EXPECT_EQ(downloader->buffer().capacity(), c.capacity);
        EXPECT_EQ(downloader->buffer().allocations(), c.allocations);
        EXPECT_TRUE(owner.bytes == content);
        EXPECT_EQ(downloader->OnStopBinding(S_OK, nullptr), S_OK);
        EXPECT_EQ(owner.journal, half > 0 ? "data data done end " : "data done end ");
        EXPECT_FALSE(downloader->buffer());
        downloader->Release();
    }
}

TEST(Downloader, ReadsNothingForARepeatedSizeOrWithoutAStream) {
    Owner owner;
    Owner::Downloader* downloader = owner.Make();
    Feed feed(downloader, PatternBytes(300));
    // Without the first notification there is no stream yet.
    EXPECT_EQ(feed.Data(BSCF_INTERMEDIATEDATANOTIFICATION, 100), S_OK);
    EXPECT_FALSE(downloader->buffer());
    EXPECT_EQ(feed.Data(BSCF_FIRSTDATANOTIFICATION, 100), S_OK);
    EXPECT_EQ(feed.Data(BSCF_INTERMEDIATEDATANOTIFICATION, 100), S_OK);
    EXPECT_EQ(owner.counts, std::vector<std::size_t>{100});
    EXPECT_EQ(feed.Data(BSCF_INTERMEDIATEDATANOTIFICATION, 300), S_OK);
    EXPECT_EQ(owner.counts, (std::vector<std::size_t>{100, 300}));
    EXPECT_EQ(downloader->OnStopBinding(S_OK, nullptr), S_OK);
    downloader->Release();
}

TEST(Downloader, RefusesSizesPastTheLimit) {
    Owner owner;
    Owner::Downloader* downloader = owner.Make();
    Feed feed(downloader, "abc");
    downloader->OnProgress(0, 0xFFFFFFFFu, BINDSTATUS_BEGINDOWNLOADDATA, nullptr);
    EXPECT_EQ(feed.Data(BSCF_FIRSTDATANOTIFICATION, 3), E_OUTOFMEMORY);
    EXPECT_FALSE(downloader->buffer());

    downloader->OnProgress(0, 0, BINDSTATUS_DOWNLOADINGDATA, nullptr);
    EXPECT_EQ(feed.Data(0, 3), S_OK);
    EXPECT_EQ(feed.Data(0, static_cast<std::uint32_t>(DownloadBuffer::kLimit) + 1), E_OUTOFMEMORY);
    EXPECT_EQ(downloader->buffer().capacity(), DownloadBuffer::kUnannounced);
    EXPECT_EQ(downloader->OnStopBinding(E_OUTOFMEMORY, nullptr), S_OK);
    EXPECT_EQ(owner.journal, "data end failed ");
    downloader->Release();
}

TEST(Downloader, GrowsAndFreesUnderTheLoadersLock) {
    Owner owner;
    Reader reader;
    owner.reader = &reader;
    owner.freeBuffer = false;
    Owner::Downloader* downloader = owner.Make();
    const std::string content = PatternBytes(0x300000);
    Feed feed(downloader, content);
    EXPECT_EQ(feed.Data(BSCF_FIRSTDATANOTIFICATION, 0x100000), S_OK);
    EXPECT_TRUE(reader.moves.empty());
    EXPECT_EQ(feed.Data(0, 0x300000), S_OK);
    ASSERT_EQ(reader.moves.size(), 1u);
    EXPECT_EQ(reader.moves[0], downloader->buffer().data());
    EXPECT_EQ(std::memcmp(downloader->buffer().data(), content.data(), content.size()), 0);
    // The owner neither took nor freed the buffer: the stop frees it after stopping the loader.
    EXPECT_EQ(downloader->OnStopBinding(E_ABORT, nullptr), S_OK);
    EXPECT_EQ(reader.stops, 1);
    EXPECT_TRUE(reader.lockedEachTime);
    EXPECT_EQ(reader.semaphore.Count(), 1);
    EXPECT_FALSE(downloader->buffer());
    downloader->Release();
}

TEST(Downloader, AnswersTheBindingsQuestions) {
    Owner owner;
    Owner::Downloader* downloader = owner.Make();
    std::uint32_t flags = 0;
    BINDINFO info;
    info.dwOptions = 7;
    EXPECT_EQ(downloader->GetBindInfo(nullptr, &info), E_INVALIDARG);
    EXPECT_EQ(downloader->GetBindInfo(&flags, nullptr), E_INVALIDARG);
    BINDINFO empty;
    empty.cbSize = 0;
    EXPECT_EQ(downloader->GetBindInfo(&flags, &empty), E_INVALIDARG);
    EXPECT_EQ(downloader->GetBindInfo(&flags, &info), S_OK);
    EXPECT_EQ(flags, 3u);
    EXPECT_EQ(info.cbSize, sizeof(BINDINFO));
    EXPECT_EQ(info.dwOptions, 0u);
    EXPECT_EQ(info.dwBindVerb, BINDVERB_GET);

    // Without an announcement the progress maximum is the progress itself.
    downloader->OnProgress(700, 0, BINDSTATUS_DOWNLOADINGDATA, nullptr);
    EXPECT_EQ(owner.progressMax, 700u);
    EXPECT_EQ(downloader->AnnouncedSize(), 0u);
    downloader->OnProgress(700, 900, BINDSTATUS_DOWNLOADINGDATA, nullptr);
    EXPECT_EQ(owner.progressMax, 900u);
    EXPECT_EQ(downloader->AnnouncedSize(), 900u);

    downloader->Release();
}

class DownloaderOverNet : public ::testing::Test {
protected:
    void SetUp() override { SetNotificationPoster(queue.Poster()); }
    void TearDown() override { SetNotificationPoster({}); }

    void Start(Owner& owner, const std::string& url) {
        const std::u16string wide(url.begin(), url.end());
        Owner::Downloader::StartDownload(&owner, &Owner::OnData, &Owner::OnDone, &Owner::OnProgress,
                                         wide.c_str(), nullptr, true);
    }
    void Load(Owner& owner, const std::string& url) {
        Start(owner, url);
        EXPECT_TRUE(
            queue.RunUntil([&] { return owner.journal.find("end ") != std::string::npos; }));
    }

    testing_support::TaskQueue queue;
    LoopbackServer server;
    testing_support::TempDir temp;
};

TEST_F(DownloaderOverNet, CompletesOrFailsEachKindOfSource) {
    const std::string big = PatternBytes(0x280000);
    server.Serve("/exact.jpg", HttpReply::Body(PatternBytes(70000)));
    server.Serve("/nolength.lwf", HttpReply::Body(big).NoLength());
    server.Serve("/trickle.jpg",
                 HttpReply::Body(PatternBytes(9000)).Chunks(500, std::chrono::milliseconds(2)));
    server.Serve("/cut.jpg", HttpReply::Body(big).Chunks(65536).CutAfter(200000));
    const struct {
        std::string url;
        bool succeeds;
        std::string bytes;
        std::size_t capacity;
        int allocations;
    } cases[] = {
        {server.Url("/exact.jpg"), true, PatternBytes(70000), 70001, 1},
        {server.Url("/nolength.lwf"), true, big, 0x400000, 2},
        {server.Url("/trickle.jpg"), true, PatternBytes(9000), 9001, 1},
        {server.Url("/missing.jpg"), false, "", 0, 0},
        {server.Url("/cut.jpg"), false, "", 0x280001, 1},
        {temp.Write("one.jpg", "1"), true, "1", 2, 1},
        {"file://" + temp.Write("file.jpg", PatternBytes(3000)), true, PatternBytes(3000), 3001, 1},
        {"ftp://127.0.0.1/x.jpg", false, "", 0, 0},
        // An empty file leaves nothing to decode.
        {temp.Write("empty.jpg", ""), false, "", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        Owner owner;
        Load(owner, c.url);
        EXPECT_EQ(owner.dones, 1);
        EXPECT_EQ(owner.succeeded, c.succeeds);
        EXPECT_EQ(owner.bytes.size(), c.bytes.size());
        EXPECT_TRUE(owner.bytes == c.bytes);
        EXPECT_EQ(owner.capacity, c.capacity);
        EXPECT_EQ(owner.allocations, c.allocations);
        EXPECT_FALSE(owner.binding);
    }
}

TEST_F(DownloaderOverNet, AnAbortEndsTheDownloadInsideAbort) {
    server.Serve("/held.lwf", HttpReply::Body(PatternBytes(300000)).Chunks(8192).HoldAfter(40000));
    Owner owner;
    owner.takeBuffer = true;
    Start(owner, server.Url("/held.lwf"));
    ASSERT_TRUE(
        queue.RunUntil([&] { return !owner.counts.empty() && owner.counts.back() >= 40000; }));
    ComPtr<IBinding> binding;
    binding.Share(owner.binding.get());
    ASSERT_TRUE(binding);
    binding->Abort();
    EXPECT_TRUE(owner.journal.ends_with("end failed ")) << owner.journal;
    EXPECT_FALSE(owner.binding);
    // The owner took the buffer over at the end of the data: it holds every byte read.
    ASSERT_TRUE(owner.taken);
    EXPECT_EQ(std::memcmp(owner.taken.data(), PatternBytes(40000).data(), 40000), 0);

    const std::string journal = owner.journal;
    server.Release();
    queue.RunFor(std::chrono::milliseconds(200));
    EXPECT_EQ(owner.journal, journal);
    EXPECT_EQ(owner.dones, 1);
}

// A page's container: relative names resolve against its folder on the server.
class Container final : public RefCounted<IServiceProvider, IBindHost> {
public:
    explicit Container(std::string base) : base_(std::move(base)) {}
    HRESULT QueryInterface(const IID& iid, void** object) override {
        *object = nullptr;
        if (iid == IID_IServiceProvider) *object = static_cast<IServiceProvider*>(this);
        if (iid == IID_IBindHost) *object = static_cast<IBindHost*>(this);
        if (*object == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    HRESULT QueryService(const GUID& service, const IID& iid, void** object) override {
        return service == SID_IBindHost ? QueryInterface(iid, object) : E_NOINTERFACE;
    }
    HRESULT CreateMoniker(const OLECHAR* name, IBindCtx*, IMoniker** moniker,
                          std::uint32_t) override {
        ++created;
        const std::u16string full = std::u16string(base_.begin(), base_.end()) + name;
        return CreateURLMoniker(nullptr, full.c_str(), moniker);
    }
    HRESULT MonikerBindToStorage(IMoniker* moniker, IBindCtx* context, IBindStatusCallback*,
                                 const IID& iid, void** object) override {
        ++bound;
        return moniker->BindToStorage(context, nullptr, iid, object);
    }

    int created = 0;
    int bound = 0;

private:
    std::string base_;
};

TEST_F(DownloaderOverNet, BindsThroughAContainersBindHost) {
    server.Serve("/pages/pic.jpg", HttpReply::Body(PatternBytes(5000)));
    ComPtr<Container> container;
    container.Attach(new Container(server.Url("/pages/")));
    for (const bool relative : {true, false}) {
        Owner owner;
        const std::string url = relative ? "pic.jpg" : server.Url("/pages/pic.jpg");
        const std::u16string name(url.begin(), url.end());
        Owner::Downloader::StartDownload(&owner, &Owner::OnData, &Owner::OnDone, &Owner::OnProgress,
                                         name.c_str(),
                                         static_cast<IServiceProvider*>(container.get()), relative);
        EXPECT_TRUE(
            queue.RunUntil([&] { return owner.journal.find("end ") != std::string::npos; }));
        EXPECT_TRUE(owner.succeeded);
        EXPECT_TRUE(owner.bytes == PatternBytes(5000));
    }
    EXPECT_EQ(container->created, 1);
    EXPECT_EQ(container->bound, 2);
}

}  // namespace
