// The scriptable peer as a page's scripts reach it through the browser.
#include <cstring>

#include "viewer-plugin/npvantelo/nsIVantelo.h"
#include "viewer-plugin/npvantelo/tests/HostTest.h"

namespace npvantelo_test {
namespace {

class Peer : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        Start();
        instance_ = Embed();
        ASSERT_NE(instance_, nullptr);
    }
    void TearDown() override {
        instance_.reset();
        HostTest::TearDown();
    }
    std::unique_ptr<NpapiHost::Instance> instance_;
};

TEST_F(Peer, EveryRequestGivesTheSamePeerWithAReferenceForTheCaller) {
    nsIVantelo* first = instance_->Peer<nsIVantelo>();
    nsIVantelo* second = instance_->Peer<nsIVantelo>();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    // The instance's own reference and one for each request.
    EXPECT_EQ(first->AddRef(), 4u);
    EXPECT_EQ(first->Release(), 3u);
    first->Release();
    second->Release();
}

TEST_F(Peer, TheInterfaceIdComesInBrowserMemory) {
    nsIID* iid = nullptr;
    ASSERT_EQ(instance_->GetValue(NPPVpluginScriptableIID, &iid), NPERR_NO_ERROR);
    ASSERT_NE(iid, nullptr);
    EXPECT_EQ(host_->LiveBlocks(), 1);
    const unsigned char expected[16] = {0x09, 0x7c, 0x1b, 0xe4, 0x6a, 0x2d, 0x83, 0x4c,
                                        0xb5, 0xf1, 0x7d, 0x08, 0xa9, 0x2c, 0x3e, 0x66};
    EXPECT_EQ(std::memcmp(iid, expected, 16), 0);
    host_->Browser().memfree(iid);
    EXPECT_EQ(host_->LiveBlocks(), 0);
}

TEST_F(Peer, AnswersForItsThreeInterfacesAndDescribesItsClass) {
    nsIVantelo* peer = instance_->Peer<nsIVantelo>();
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(peer->QueryInterface(NS_ISUPPORTS_IID, nullptr), NS_ERROR_NULL_POINTER);
    void* out = nullptr;
    EXPECT_EQ(peer->QueryInterface(NS_IVANTELO_IID, &out), NS_OK);
    EXPECT_EQ(out, peer);
    EXPECT_EQ(peer->QueryInterface(NS_ISUPPORTS_IID, &out), NS_OK);
    EXPECT_EQ(out, peer);
    void* info = nullptr;
    EXPECT_EQ(peer->QueryInterface(NS_ICLASSINFO_IID, &info), NS_OK);
    ASSERT_NE(info, nullptr);
    const nsIID other = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(peer->QueryInterface(other, &out), NS_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    auto* classInfo = static_cast<nsIClassInfo*>(info);
    std::uint32_t flags = 0;
    std::uint32_t language = 0;
    EXPECT_EQ(classInfo->GetFlags(&flags), NS_OK);
    EXPECT_EQ(flags, 24u);
    EXPECT_EQ(classInfo->GetImplementationLanguage(&language), NS_OK);
    EXPECT_EQ(language, 1u);
    char* text = nullptr;
    nsCID* cid = nullptr;
    nsCID cidValue;
    std::uint32_t count = 0;
    nsIID** array = nullptr;
    nsISupports* helper = nullptr;
    EXPECT_EQ(classInfo->GetInterfaces(&count, &array), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(classInfo->GetHelperForLanguage(1, &helper), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(classInfo->GetContractID(&text), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(classInfo->GetClassDescription(&text), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(classInfo->GetClassID(&cid), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(classInfo->GetClassIDNoAlloc(&cidValue), NS_ERROR_NOT_IMPLEMENTED);
    // One reference from the request and one from each successful query.
    for (int i = 0; i < 4; ++i) peer->Release();
}

TEST_F(Peer, MembersReachTheViewer) {
    nsIVantelo* peer = instance_->Peer<nsIVantelo>();
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(peer->SetBgColor(0x102030), NS_OK);
    std::int32_t colour = 0;
    EXPECT_EQ(peer->GetCanvasColor(&colour), NS_OK);
    EXPECT_EQ(colour, 0x102030);
    float version = 0;
    EXPECT_EQ(peer->GetVersion(&version), NS_OK);
    EXPECT_FLOAT_EQ(version, 1.73f);
    EXPECT_EQ(peer->SetFilterRequest(7), NS_OK);
    std::int32_t request = 0;
    EXPECT_EQ(peer->GetFilterRequest(&request), NS_OK);
    EXPECT_EQ(request, 7);
    EXPECT_EQ(peer->GetZoomSpeed(nullptr), NS_OK);  // a null out pointer is left alone

    EXPECT_EQ(peer->SetFilename("http://127.0.0.1:1/none.jpg"), NS_OK);
    char* name = nullptr;
    EXPECT_EQ(peer->GetFilename(&name), NS_OK);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "http://127.0.0.1:1/none.jpg");
    EXPECT_EQ(host_->LiveBlocks(), 1);
    host_->Browser().memfree(name);
    peer->Release();
}

TEST_F(Peer, CallsAfterTheInstanceIsGoneSucceedAndDoNothing) {
    nsIVantelo* peer = instance_->Peer<nsIVantelo>();
    ASSERT_NE(peer, nullptr);
    ASSERT_EQ(instance_->Destroy(), NPERR_NO_ERROR);
    float x = -7, y = -7, z = -7;
    std::int32_t value = -7;
    char* name = reinterpret_cast<char*>(&value);
    EXPECT_EQ(peer->GetPosition(&x, &y, &z), NS_OK);
    EXPECT_EQ(peer->GetFit(&value), NS_OK);
    EXPECT_EQ(peer->GetPosZ(&z), NS_OK);
    EXPECT_EQ(peer->GetFilename(&name), NS_OK);
    EXPECT_EQ(peer->GetFilterRequest(&value), NS_OK);
    EXPECT_EQ(peer->MoveTo(1, 2, 3, 0, 0), NS_OK);
    EXPECT_EQ(peer->SetFilename("x.jpg"), NS_OK);
    EXPECT_EQ(peer->SetFit(304), NS_OK);
    EXPECT_EQ(peer->RedrawCanvas(), NS_OK);
    EXPECT_EQ(x, -7);
    EXPECT_EQ(y, -7);
    EXPECT_EQ(z, -7);
    EXPECT_EQ(value, -7);
    EXPECT_EQ(name, reinterpret_cast<char*>(&value));
    EXPECT_TRUE(host_->Urls().empty());
    EXPECT_EQ(peer->Release(), 0u);
}

}  // namespace
}  // namespace npvantelo_test
