#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "platform/net/UrlMoniker.h"
#include "testing/TempDir.h"

namespace {

using namespace platform;

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::string ReadAll(IStream* stream) {
    std::string out;
    char buffer[7];
    std::uint32_t got = 0;
    while (Succeeded(stream->Read(buffer, sizeof buffer, &got)) && got > 0) out.append(buffer, got);
    return out;
}

TEST(FileBindTest, AContextWithoutACallbackReadsALocalFileAtOnce) {
    testing_support::TempDir temp;
    const std::string path = temp.Write("a b.ods", std::string("\x01\x02state\0end", 12));

    for (const std::string& url : {"file://" + path, "file://localhost" + path,
                                   "FILE:" + path.substr(0, path.size() - 7) + "a%20b.ods"}) {
        SCOPED_TRACE(url);
        ComPtr<IMoniker> moniker;
        ComPtr<IBindCtx> context;
        ASSERT_EQ(CreateURLMoniker(nullptr, Wide(url).c_str(), moniker.Put()), S_OK);
        ASSERT_EQ(CreateBindCtx(0, context.Put()), S_OK);
        ComPtr<IStream> stream;
        ASSERT_EQ(moniker->BindToStorage(context.get(), nullptr, IID_IStream, stream.Out()), S_OK);
        ASSERT_TRUE(stream);
        EXPECT_EQ(ReadAll(stream.get()), std::string("\x01\x02state\0end", 12));
    }

    // Another host, a missing file, a folder and another scheme all fail, with nothing out.
    for (const std::string& url :
         {"file://elsewhere" + path, "file://" + path + ".gone", "file://" + temp.path(),
          std::string("http://127.0.0.1/x"), std::string("file://") + temp.path() + "/a%00b.ods"}) {
        SCOPED_TRACE(url);
        ComPtr<IMoniker> moniker;
        ComPtr<IBindCtx> context;
        ASSERT_EQ(CreateURLMoniker(nullptr, Wide(url).c_str(), moniker.Put()), S_OK);
        ASSERT_EQ(CreateBindCtx(0, context.Put()), S_OK);
        void* object = &temp;
        EXPECT_TRUE(Failed(moniker->BindToStorage(context.get(), nullptr, IID_IStream, &object)));
        EXPECT_EQ(object, nullptr);
    }
}

TEST(FileBindTest, ANamedPipeUnderTheFilesNameFailsWithoutWaitingForAWriter) {
    testing_support::TempDir temp;
    const std::string pipe = temp.Path("picture.ods");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ComPtr<IMoniker> moniker;
    ComPtr<IBindCtx> context;
    ASSERT_EQ(CreateURLMoniker(nullptr, Wide("file://" + pipe).c_str(), moniker.Put()), S_OK);
    ASSERT_EQ(CreateBindCtx(0, context.Put()), S_OK);
    void* object = &temp;
    auto bound = std::async(std::launch::async, [&] {
        return moniker->BindToStorage(context.get(), nullptr, IID_IStream, &object);
    });
    if (bound.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // A writer lets the stuck open go on, so the test ends with its failure.
        const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        ADD_FAILURE() << "the binding waited for a writer on the pipe";
        bound.wait();
        ::close(writer);
        return;
    }
    EXPECT_EQ(bound.get(), INET_E_RESOURCE_NOT_FOUND);
    EXPECT_EQ(object, nullptr);
}

TEST(FileBindTest, PathsOnlyFromFileUrls) {
    EXPECT_EQ(PathFromFileUrl("file:///a/b"), "/a/b");
    EXPECT_EQ(PathFromFileUrl("file:/a/%41"), "/a/A");
    EXPECT_EQ(PathFromFileUrl("file:///a/%4"), "/a/%4");
    EXPECT_EQ(PathFromFileUrl("file://host/a"), "");
    EXPECT_EQ(PathFromFileUrl("file:a"), "");
    EXPECT_EQ(PathFromFileUrl("/a/b"), "");
    EXPECT_EQ(PathFromFileUrl("fil"), "");
}

class NullCallback final : public RefCounted<IBindStatusCallback> {
public:
    HRESULT QueryInterface(const IID&, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT OnStartBinding(std::uint32_t, IBinding*) override { return S_OK; }
    HRESULT GetPriority(std::int32_t*) override { return S_OK; }
    HRESULT OnLowResource(std::uint32_t) override { return S_OK; }
    HRESULT OnProgress(std::uint32_t, std::uint32_t, std::uint32_t, const OLECHAR*) override {
        return S_OK;
    }
    HRESULT OnStopBinding(HRESULT, const OLECHAR*) override { return S_OK; }
    HRESULT GetBindInfo(std::uint32_t*, BINDINFO*) override { return S_OK; }
    HRESULT OnDataAvailable(std::uint32_t, std::uint32_t, FORMATETC*, STGMEDIUM*) override {
        return S_OK;
    }
    HRESULT OnObjectAvailable(const IID&, IUnknown*) override { return S_OK; }
};

TEST(FileBindTest, AnAsynchronousContextCarriesItsCallback) {
    ComPtr<IBindCtx> context;
    EXPECT_EQ(CreateAsyncBindCtx(0, nullptr, nullptr, context.Put()), E_INVALIDARG);
    EXPECT_FALSE(context);
    ComPtr<NullCallback> callback;
    callback.Attach(new NullCallback);
    ASSERT_EQ(CreateAsyncBindCtx(0, callback.get(), nullptr, context.Put()), S_OK);
    EXPECT_TRUE(IsAsyncBindCtx(context.get()));
    // The context holds the callback: replacing it hands the first one back.
    ComPtr<IBindStatusCallback> previous;
    ASSERT_EQ(RegisterBindStatusCallback(context.get(), callback.get(), previous.Put(), 0), S_OK);
    EXPECT_EQ(previous.get(), callback.get());

    ComPtr<IBindCtx> plain;
    ASSERT_EQ(CreateBindCtx(0, plain.Put()), S_OK);
    EXPECT_FALSE(IsAsyncBindCtx(plain.get()));
}

}  // namespace
