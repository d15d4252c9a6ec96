#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/net/Fetch.h"
#include "platform/net/UrlMoniker.h"
#include "testing/LoopbackServer.h"
#include "testing/TempDir.h"

namespace {

using namespace platform;
using namespace std::chrono_literals;
using testing_support::HttpReply;
using testing_support::LoopbackServer;

TEST(FetchUrl, ReturnsTheBodyOrAFailureWithNothing) {
    LoopbackServer server;
    testing_support::TempDir temp;
    server.Serve("/version.txt", HttpReply::Body("1.74\n"));
    server.Serve("/large", HttpReply::Body(std::string(5000, 'a')));
    const std::string file = temp.Write("local.txt", "here");
    const struct {
        std::string name;
        std::size_t limit;
        HRESULT result;
        std::string body;
    } cases[] = {
        {server.Url("/version.txt"), 1024, S_OK, "1.74\n"},
        {file, 1024, S_OK, "here"},
        {server.Url("/large"), 4999, INET_E_DOWNLOAD_FAILURE, ""},
        {server.Url("/large"), 5000, S_OK, std::string(5000, 'a')},
        {server.Url("/gone"), 1024, INET_E_OBJECT_NOT_FOUND, ""},
        {"gopher://127.0.0.1/", 1024, INET_E_UNKNOWN_PROTOCOL, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string body = "stale";
        EXPECT_EQ(FetchUrl(c.name, 10s, &body, c.limit), c.result);
        EXPECT_EQ(body, c.body);
    }
}

TEST(FetchUrl, GivesUpAfterItsTotalTimeout) {
    LoopbackServer server;
    server.Serve("/stuck", HttpReply::Body(std::string(1000, 'b')).HoldAfter(10));
    std::string body;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FetchUrl(server.Url("/stuck"), 300ms, &body), INET_E_CONNECTION_TIMEOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_TRUE(body.empty());
}

}  // namespace
