#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/net/UrlMoniker.h"
#include "testing/LoopbackServer.h"
#include "testing/TaskQueue.h"
#include "testing/TempDir.h"

namespace {

using namespace platform;
using testing_support::HttpReply;
using testing_support::LoopbackServer;
using testing_support::PatternBytes;
using testing_support::TaskQueue;
using testing_support::TempDir;

// Records every notification and reads what each data notification offers.
class Recorder final : public RefCounted<IBindStatusCallback> {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IBindStatusCallback) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IBindStatusCallback*>(this);
        return S_OK;
    }
    HRESULT OnStartBinding(std::uint32_t, IBinding* b) override {
        binding.Share(b);
        return S_OK;
    }
    HRESULT GetPriority(std::int32_t* priority) override {
        *priority = 0;
        return S_OK;
    }
    HRESULT OnLowResource(std::uint32_t) override { return S_OK; }
    HRESULT OnProgress(std::uint32_t progress, std::uint32_t max, std::uint32_t,
                       const OLECHAR*) override {
        ++afterStop;
        lastProgress = progress;
        lastMax = max;
        return S_OK;
    }
    HRESULT OnStopBinding(HRESULT result, const OLECHAR*) override {
        ++stops;
        stopResult = result;
        afterStop = 0;
        binding.Reset();
        return S_OK;
    }
    HRESULT GetBindInfo(std::uint32_t* flags, BINDINFO* info) override {
        *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE;
        info->dwBindVerb = BINDVERB_GET;
        return S_OK;
    }
    HRESULT OnDataAvailable(std::uint32_t flags, std::uint32_t size, FORMATETC*,
                            STGMEDIUM* medium) override {
        ++afterStop;
        if ((flags & BSCF_FIRSTDATANOTIFICATION) != 0) ++firsts;
        if ((flags & BSCF_LASTDATANOTIFICATION) != 0) ++lasts;
        if (medium->tymed != TYMED_ISTREAM || medium->pstm == nullptr) return E_FAIL;
        while (bytes.size() < size) {
            char chunk[4096];
            std::uint32_t got = 0;
            medium->pstm->Read(chunk, sizeof chunk, &got);
            if (got == 0) break;
            bytes.append(chunk, got);
        }
        if (onData) return onData(*this);
        return S_OK;
    }
    HRESULT OnObjectAvailable(const IID&, IUnknown*) override { return S_OK; }

    ComPtr<IBinding> binding;
    std::string bytes;
    int firsts = 0;
    int lasts = 0;
    int stops = 0;
    int afterStop = 0;  // notifications since the last stop
    HRESULT stopResult = S_OK;
    std::uint32_t lastProgress = 0;
    std::uint32_t lastMax = 0;
    std::function<HRESULT(Recorder&)> onData;
};

class UrlMonikerTest : public ::testing::Test {
protected:
    void SetUp() override { SetNotificationPoster(queue.Poster()); }
    void TearDown() override { SetNotificationPoster({}); }

    HRESULT Bind(const std::string& name, Recorder* recorder) {
        ComPtr<IMoniker> moniker;
        ComPtr<IBindCtx> context;
        const std::u16string wide(name.begin(), name.end());
        HRESULT hr = CreateURLMoniker(nullptr, wide.c_str(), moniker.Put());
        if (Failed(hr)) return hr;
        hr = CreateBindCtx(0, context.Put());
        if (Failed(hr)) return hr;
        hr = RegisterBindStatusCallback(context.get(), recorder, nullptr, 0);
        if (Failed(hr)) return hr;
        return moniker->BindToStorage(context.get(), nullptr, IID_IStream, nullptr);
    }

    // Binds and runs the window thread until the binding stops.
    ComPtr<Recorder> Download(const std::string& name) {
        ComPtr<Recorder> recorder;
        recorder.Attach(new Recorder);
        EXPECT_EQ(Bind(name, recorder.get()), MK_S_ASYNCHRONOUS);
        EXPECT_TRUE(queue.RunUntil([&] { return recorder->stops > 0; }));
        return recorder;
    }

    TaskQueue queue;
    LoopbackServer server;
    TempDir temp;
};

TEST_F(UrlMonikerTest, DeliversWholeResourcesWithOneFirstAndOneLastNotification) {
    const std::string big = PatternBytes(300000);
    server.Serve("/exact", HttpReply::Body(big));
    server.Serve("/nolength", HttpReply::Body(big).NoLength());
    server.Serve("/trickle",
                 HttpReply::Body(PatternBytes(20000)).Chunks(1000, std::chrono::milliseconds(3)));
    server.Serve("/longer", HttpReply::Body(big).Announce(1000));
    server.Serve("/moved", HttpReply::Redirect("/exact"));
    server.Serve("/empty", HttpReply::Body(""));
    const std::string path = temp.Write("a picture #1.bin", PatternBytes(5000));
    const std::string plain = temp.Write("plain.bin", PatternBytes(5000));
    const std::string empty = temp.Write("empty.bin", "");
    const std::string one = temp.Write("one.bin", "x");

    struct Case {
        std::string name;
        std::string expected;
        std::uint32_t announced;
    };
    const Case cases[] = {
        {server.Url("/exact"), big, 300000},
        {server.Url("/nolength"), big, 0},
        {server.Url("/trickle"), PatternBytes(20000), 20000},
        // A server sending more than it announced is read as far as it announced.
        {server.Url("/longer"), big.substr(0, 1000), 1000},
        {server.Url("/moved"), big, 300000},
        {server.Url("/empty"), "", 0},
        {path, PatternBytes(5000), 5000},
        {"file://" + plain, PatternBytes(5000), 5000},
        {empty, "", 0},
        {one, "x", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<Recorder> r = Download(c.name);
        EXPECT_EQ(r->stopResult, S_OK);
        EXPECT_EQ(r->bytes.size(), c.expected.size());
        EXPECT_TRUE(r->bytes == c.expected);
        EXPECT_EQ(r->firsts, 1);
        EXPECT_EQ(r->lasts, 1);
        EXPECT_EQ(r->stops, 1);
        EXPECT_EQ(r->lastMax, c.announced);
        EXPECT_EQ(r->lastProgress, c.expected.size());
        EXPECT_FALSE(r->binding);
    }
}

TEST_F(UrlMonikerTest, FailuresEndInOneStopWithoutALastNotification) {
    server.Serve("/cut", HttpReply::Body(PatternBytes(100000)).Chunks(10000).CutAfter(30000));
    server.Serve("/short", HttpReply::Body(PatternBytes(1000)).Announce(5000));
    server.Serve("/loop", HttpReply::Redirect("/loop"));
    server.Serve("/error", HttpReply::Status(500, "broken"));
    server.Serve("/tofile", HttpReply::Redirect("file:///etc/hostname"));
    const struct {
        std::string name;
        HRESULT result;
    } cases[] = {
        {server.Url("/missing"), INET_E_OBJECT_NOT_FOUND},
        {server.Url("/error"), INET_E_DOWNLOAD_FAILURE},
        {server.Url("/cut"), INET_E_DOWNLOAD_FAILURE},
        {server.Url("/short"), INET_E_DOWNLOAD_FAILURE},
        {server.Url("/loop"), INET_E_REDIRECT_FAILED},
        {server.Url("/tofile"), INET_E_UNKNOWN_PROTOCOL},
        {"ftp://127.0.0.1/x.jpg", INET_E_UNKNOWN_PROTOCOL},
        {"javascript:alert(1)", INET_E_UNKNOWN_PROTOCOL},
        {temp.Path("no such file.jpg"), INET_E_RESOURCE_NOT_FOUND},
        {"http://127.0.0.1:1/refused.jpg", INET_E_CANNOT_CONNECT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<Recorder> r = Download(c.name);
        EXPECT_EQ(r->stopResult, c.result);
        EXPECT_EQ(r->stops, 1);
        EXPECT_EQ(r->lasts, 0);
        EXPECT_FALSE(r->binding);
    }
}

TEST_F(UrlMonikerTest, AbortDeliversTheStopBeforeItReturnsAndNothingAfter) {
    server.Serve("/held", HttpReply::Body(PatternBytes(400000)).Chunks(16384).HoldAfter(65536));
    ComPtr<Recorder> r;
    r.Attach(new Recorder);
    ASSERT_EQ(Bind(server.Url("/held"), r.get()), MK_S_ASYNCHRONOUS);
    ASSERT_TRUE(server.WaitUntilHeld(std::chrono::seconds(10)));
    ASSERT_TRUE(queue.RunUntil([&] { return r->bytes.size() >= 65536; }));
    ComPtr<IBinding> binding;
    binding.Share(r->binding.get());
    ASSERT_TRUE(binding);

    EXPECT_EQ(binding->Abort(), S_OK);
    EXPECT_EQ(r->stops, 1);
    EXPECT_EQ(r->stopResult, E_ABORT);
    HRESULT result = S_OK;
    EXPECT_EQ(binding->GetBindResult(&result), S_OK);
    EXPECT_EQ(result, E_ABORT);
    EXPECT_EQ(binding->Abort(), S_FALSE);

    server.Release();
    queue.RunFor(std::chrono::milliseconds(200));
    EXPECT_EQ(r->stops, 1);
    EXPECT_EQ(r->afterStop, 0);
}

TEST_F(UrlMonikerTest, AbortOrFailureInsideANotificationStopsRightAfterIt) {
    server.Serve(
        "/big", HttpReply::Body(PatternBytes(2000000)).Chunks(65536, std::chrono::milliseconds(1)));
    const struct {
        HRESULT fromCallback;
        bool abort;
        HRESULT stop;
    } cases[] = {{S_OK, true, E_ABORT}, {E_OUTOFMEMORY, false, E_OUTOFMEMORY}};
    for (const auto& c : cases) {
        ComPtr<Recorder> r;
        r.Attach(new Recorder);
        int stopsInside = -1;
        r->onData = [&](Recorder& self) {
            if (c.abort) self.binding->Abort();
            stopsInside = self.stops;
            return c.fromCallback;
        };
        ASSERT_EQ(Bind(server.Url("/big"), r.get()), MK_S_ASYNCHRONOUS);
        ASSERT_TRUE(queue.RunUntil([&] { return r->stops > 0; }));
        queue.RunFor(std::chrono::milliseconds(100));
        EXPECT_EQ(stopsInside, 0);
        EXPECT_EQ(r->stops, 1);
        EXPECT_EQ(r->stopResult, c.stop);
        EXPECT_EQ(r->afterStop, 0);
        EXPECT_EQ(r->lasts, 0);
    }
}

TEST_F(UrlMonikerTest, RefusesToBindWithoutAPosterOrACallback) {
    ComPtr<Recorder> r;
    r.Attach(new Recorder);
    SetNotificationPoster({});
    EXPECT_EQ(Bind(server.Url("/x"), r.get()), E_UNEXPECTED);
    EXPECT_EQ(r->stops, 0);

    SetNotificationPoster(queue.Poster());
    ComPtr<IMoniker> moniker;
    ComPtr<IBindCtx> context;
    ASSERT_EQ(CreateURLMoniker(nullptr, u"http://127.0.0.1/", moniker.Put()), S_OK);
    ASSERT_EQ(CreateBindCtx(0, context.Put()), S_OK);
    EXPECT_EQ(moniker->BindToStorage(context.get(), nullptr, IID_IStream, nullptr), E_INVALIDARG);
    EXPECT_EQ(moniker->BindToStorage(context.get(), nullptr, IID_IUnknown, nullptr), E_NOINTERFACE);
}

}  // namespace
