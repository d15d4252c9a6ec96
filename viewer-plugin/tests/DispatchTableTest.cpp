#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/text/Ascii.h"
#include "testing/CommaLocale.h"
#include "testing/LoopbackServer.h"
#include "viewer-plugin/tests/LwfPicture.h"
#include "viewer-plugin/tests/ScriptingTestSupport.h"
#include "viewer-plugin/viewer/DispatchTable.h"

namespace {

using namespace scripting;
using testing_support::HttpReply;
using testing_support::LoopbackServer;

constexpr std::uint32_t kPicture = 0x3C8C50;
using Args = std::vector<Value>;

TEST(DispatchTable, FindsEveryMemberByIdAndByNameInAnyCase) {
    std::vector<int> ids;
    for (const Entry& e : Entries()) {
        if (ids.empty() || ids.back() != e.dispid) ids.push_back(e.dispid);
        EXPECT_EQ(e.help, std::string(e.kind == MemberKind::Method ? "method " : "property ") +
                              std::string(e.name));
        EXPECT_EQ(Find(e.dispid, e.kind), &e);
        EXPECT_EQ(FindByName(platform::ToLowerAscii(e.name), e.kind), &e);
        EXPECT_EQ(IdOfName(e.name), e.dispid);
    }
    std::vector<int> expected;
    for (int id = 1; id <= 29; ++id) {
        if (id != 5 && id != 26) expected.push_back(id);
    }
    EXPECT_EQ(ids, expected);

    EXPECT_EQ(IdOfName("posx"), 21);
    EXPECT_EQ(IdOfName("POSX"), 21);
    EXPECT_EQ(Find(1, MemberKind::Put)->help, "property Filename");
    EXPECT_EQ(Find(2, MemberKind::Method)->help, "method SetPosition");
    // The viewer control's own members and the gaps are not the engine's.
    for (const char* name : {"posw", "", "AboutBox", "BackColor", "Version2"}) {
        EXPECT_FALSE(IdOfName(name).has_value()) << name;
    }
    for (int id : {0, 5, 26, 30, kDispAboutBox, kDispBackColor}) {
        for (MemberKind kind : {MemberKind::Get, MemberKind::Put, MemberKind::Method}) {
            EXPECT_EQ(Find(id, kind), nullptr) << id;
        }
    }
    // A property has no method, a method no property.
    EXPECT_EQ(Find(kDispPosX, MemberKind::Method), nullptr);
    EXPECT_EQ(Find(kDispMoveTo, MemberKind::Get), nullptr);
    // The page plug-in's peer lists each property as its setter, then its getter.
    const auto all = Entries();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].kind == MemberKind::Put) {
            ASSERT_LT(i + 1, all.size());
            EXPECT_EQ(all[i + 1].kind, MemberKind::Get);
            EXPECT_EQ(all[i + 1].dispid, all[i].dispid);
        }
    }
}

TEST(DispatchTable, NumbersEachEventThreeWays) {
    const struct {
        Event event;
        const char* name;
        int dispid;
        std::optional<int> firing;
        int host;
    } cases[] = {
        {Event::ChangedPos, "ChangedPos", 1, CVanteloPlugin::kChangedPos, 0},
        {Event::ZoomedToGoal, "ZoomedToGoal", 2, CVanteloPlugin::kZoomedToGoal, 5},
        {Event::OnLoad, "OnLoad", 3, CVanteloPlugin::kOnLoad, 3},
        {Event::OnTime, "OnTime", 4, CVanteloPlugin::kOnTime, 4},
        {Event::OnChangeMode, "OnChangeMode", 5, std::nullopt, 1},
        {Event::OnCursor, "OnCursor", 6, CVanteloPlugin::kOnCursor, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Describe(c.event).name, c.name);
        EXPECT_EQ(EventDispid(c.event), c.dispid);
        EXPECT_EQ(EventOfDispid(c.dispid), c.event);
        EXPECT_EQ(FiringKind(c.event), c.firing);
        if (c.firing) {
            EXPECT_EQ(EventOfFiringKind(*c.firing), c.event);
        }
        EXPECT_EQ(HostId(c.event), c.host);
        EXPECT_EQ(EventOfHostId(c.host), c.event);
    }
    EXPECT_FALSE(EventOfDispid(0).has_value());
    EXPECT_FALSE(EventOfFiringKind(5).has_value());
    EXPECT_FALSE(EventOfHostId(6).has_value());
    EXPECT_EQ(Describe(Event::OnChangeMode).parameterNames[2], "Heigth");
}

TEST(DispatchValue, ConvertsInTheCLocale) {
    CommaLocale comma;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        Value value;
        int asInt;
        float asFloat;
        const char* asString;
    } cases[] = {
        {Value::Int(-7), -7, -7.0f, "-7"},
        {Value::Float(2.5f), 2, 2.5f, "2.5"},
        {Value::Float(2.6f), 3, 2.6f, "2.6"},
        {Value::Float(1e20f), INT_MAX, 1e20f, "1e+20"},
        {Value::Float(-1e20f), INT_MIN, -1e20f, "-1e+20"},
        {Value::String("1.75abc"), 1, 1.75f, "1.75abc"},
        {Value::String("99999999999"), INT_MAX, 99999999999.0f, "99999999999"},
        {Value::String("x"), 0, 0.0f, "x"},
        {Value(), 0, 0.0f, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asString);
        EXPECT_EQ(c.value.AsInt(), c.asInt);
        EXPECT_FLOAT_EQ(c.value.AsFloat(), c.asFloat);
        EXPECT_EQ(c.value.AsString(), c.asString);
    }
    EXPECT_EQ(Value::Float(nan).AsInt(), 0);
    float out = 0;
    EXPECT_EQ(Value::FloatOut(&out).OutTarget(), &out);
    EXPECT_EQ(Value::Int(1).OutTarget(), nullptr);
}

using Scripting = scripting_test::ScriptingTest;

// What each property reads after a put, before a window and with a picture shown.
TEST_F(Scripting, EveryPropertyGoesInAndComesBackThroughTheTable) {
    const struct {
        const char* name;
        Value in;
        Value out;
    } cases[] = {
        {"UserInterfaceLock", Value::Int(0x45), Value::Int(0x45)},
        {"Version", Value::Float(1.5f), Value::Float(1.73f)},
        {"BgColor", Value::Int(0x123456), Value::Int(0x123456)},
        {"CanvasColor", Value::Int(0x7654321), Value::Int(0x654321)},
        {"CanvasWidth", Value::Int(300), Value::Int(300)},
        {"CanvasHeight", Value::Int(220), Value::Int(220)},
        {"MaxZoom", Value::Float(8), Value::Float(8)},
        {"MinZoom", Value::Float(0.001f), Value::Float(0.01f)},
        {"ZoomSpeed", Value::Float(2), Value::Float(2)},
        {"PanSpeed", Value::Float(3), Value::Float(3)},
        {"BorderColor", Value::Int(0xFF00), Value::Int(0xFF00)},
        {"BorderWidth", Value::Int(4), Value::Int(4)},
        {"BorderHeight", Value::Int(5), Value::Int(5)},
        {"Fit", Value::Int(0x100), Value::Int(0x100)},
        {"PosZ", Value::Float(2), Value::Float(2)},
        {"PosX", Value::Float(12), Value::Float(12)},
        {"PosY", Value::Float(7), Value::Float(7)},
        {"ShowLogo", Value::Int(2), Value::Int(2)},
        {"Fullscreen", Value::Int(0), Value::Int(0)},
        // Numbers may come as text.
        {"BorderWidth", Value::String("9"), Value::Int(9)},
    };
    // And text as numbers (on a viewer that never gets a window, where a name only waits).
    {
        CVanteloPlugin windowless;
        Value name;
        Invoke(windowless, kDispFilename, MemberKind::Put, Args{Value::Int(42)});
        Invoke(windowless, kDispFilename, MemberKind::Get, {}, &name);
        EXPECT_EQ(name, Value::String("42"));
    }
    for (bool shown : {false, true}) {
        if (shown) Load(JpegFile("p.jpg", 200, 150, kPicture));
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (shown ? " shown" : " before a window"));
            const std::optional<int> id = IdOfName(platform::ToLowerAscii(c.name));
            ASSERT_TRUE(id.has_value());
            EXPECT_EQ(Invoke(*viewer_, *id, MemberKind::Put, Args{c.in}), CallResult::Ok);
            Value byId;
            Value byName;
            EXPECT_EQ(Invoke(*viewer_, *id, MemberKind::Get, {}, &byId), CallResult::Ok);
            EXPECT_EQ(Invoke(*viewer_, *FindByName(c.name, MemberKind::Get), {}, &byName),
                      CallResult::Ok);
            EXPECT_EQ(byId, byName);
            ASSERT_EQ(byId.Type(), c.out.Type());
            if (c.out.Type() == ValueType::Float) {
                EXPECT_FLOAT_EQ(byId.AsFloat(), c.out.AsFloat());
            } else {
                EXPECT_EQ(byId, c.out);
            }
        }
        // The colour of the background is the canvas's too.
        Value canvas;
        Invoke(*viewer_, kDispBgColor, MemberKind::Put, Args{Value::Int(0x0A0B0C)});
        Invoke(*viewer_, kDispCanvasColor, MemberKind::Get, {}, &canvas);
        EXPECT_EQ(canvas, Value::Int(0x0A0B0C));
    }
    EXPECT_EQ(viewer_->GetAlbum().GetCanvasSize(), Vector2<int>(300, 220));
}

TEST_F(Scripting, EachPutAsksTheHostThenChangesTheView) {
    const std::vector<std::string> usual = {"Invalidate", "DataChange(0)"};
    for (const Entry& e : Entries()) {
        if (e.kind != MemberKind::Put) continue;
        SCOPED_TRACE(e.name);
        edits_.events.clear();
        // A Version above the viewer's own would start an update check over the network.
        const Value value = e.dispid == kDispVersion                   ? Value::Float(1.5f)
                            : e.parameterTypes[0] == ValueType::String ? Value::String("a.jpg")
                            : e.parameterTypes[0] == ValueType::Int    ? Value::Int(3)
                                                                       : Value::Float(3);
        ASSERT_EQ(Invoke(*viewer_, e, Args{value}), CallResult::Ok);
        std::vector<std::string> expected = {platform::FormatC("Request(%d)", e.dispid)};
        if (e.dispid == kDispFilename) {
            // A new name asks; it makes no view change of its own.
        } else if (e.dispid == kDispFullscreen) {
            expected = usual;
        } else if (e.dispid == kDispBgColor) {
            expected.insert(expected.end(), {"Request(9)", "Invalidate", "DataChange(0)"});
            expected.insert(expected.end(), usual.begin(), usual.end());
        } else {
            expected.insert(expected.end(), usual.begin(), usual.end());
        }
        EXPECT_EQ(edits_.Heard(), expected);
    }
    // The same name again is no change at all; the unnamed int tells nobody.
    edits_.events.clear();
    viewer_->put_Filename("a.jpg");
    viewer_->put_FilterRequest(0);
    EXPECT_TRUE(edits_.Heard().empty());
    EXPECT_EQ(viewer_->get_FilterRequest(), 0);
}

TEST_F(Scripting, RefusesWhatNoSettingCanBe) {
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    Album& album = viewer_->GetAlbum();
    viewer_->SetPosition(10, 20, 1.5f);
    viewer_->put_ZoomSpeed(2);
    viewer_->put_PanSpeed(3);
    const Vector2<int> canvas = album.GetCanvasSize();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        int dispid;
        Value value;
    } refused[] = {
        {kDispCanvasWidth, Value::Int(-5)},  {kDispCanvasWidth, Value::Int(0)},
        {kDispCanvasHeight, Value::Int(-1)}, {kDispPosZ, Value::Float(0)},
        {kDispPosX, Value::Float(nan)},      {kDispPosY, Value::Float(inf)},
        {kDispPosZ, Value::Float(-inf)},     {kDispZoomSpeed, Value::Float(nan)},
        {kDispPanSpeed, Value::Float(inf)},  {kDispMinZoom, Value::Float(nan)},
        {kDispMaxZoom, Value::Float(nan)},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.dispid);
        ASSERT_EQ(Invoke(*viewer_, r.dispid, MemberKind::Put, Args{r.value}), CallResult::Ok);
        EXPECT_EQ(viewer_->get_PosX(), 10);
        EXPECT_EQ(viewer_->get_PosY(), 20);
        EXPECT_EQ(viewer_->get_PosZ(), 1.5f);
        EXPECT_EQ(viewer_->get_ZoomSpeed(), 2);
        EXPECT_FLOAT_EQ(viewer_->get_PanSpeed(), 3);
        EXPECT_EQ(viewer_->get_MinZoom(), 0.01f);
        EXPECT_EQ(viewer_->get_MaxZoom(), 100);
        EXPECT_EQ(album.GetCanvasSize(), canvas);
    }
    for (const auto& size : {Vector2<int>(-3, -4), Vector2<int>(0, 50), Vector2<int>(50, -1),
                             Vector2<int>(INT_MAX, INT_MAX), Vector2<int>(65536, 65537)}) {
        viewer_->ReSizeCanvas(size.x, size.y);
        EXPECT_EQ(album.GetCanvasSize(), canvas);
    }
    viewer_->ReSizeCanvas(120, 80);
    EXPECT_EQ(album.GetCanvasSize(), Vector2<int>(120, 80));
}

TEST_F(Scripting, CallsTheMethods) {
    Load(JpegFile("p.jpg", 200, 150, kPicture));
    viewer_->OnFrameMessage();
    Invoke(*viewer_, kDispSetPosition, MemberKind::Method,
           Args{Value::Float(10), Value::Float(20), Value::Float(2)});
    float x = 0;
    float z = 0;
    const Value out[] = {Value::FloatOut(&x), Value::FloatOut(nullptr), Value::FloatOut(&z)};
    EXPECT_EQ(Invoke(*viewer_, kDispGetPosition, MemberKind::Method, out), CallResult::Ok);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(z, 2);

    // To where it already is, at once: the goal is reached, nothing moved.
    edits_.events.clear();
    Invoke(*viewer_, kDispMoveTo, MemberKind::Method,
           Args{Value::Float(10), Value::Float(20), Value::Float(2), Value::Int(0), Value::Int(0)});
    EXPECT_EQ(edits_.Heard(), std::vector<std::string>{"ZoomedToGoal"});

    Album& album = viewer_->GetAlbum();
    Invoke(*viewer_, kDispZoomLock, MemberKind::Method, Args{Value::Int(5), Value::Int(6)});
    EXPECT_TRUE(album.IsZoomLocked());
    EXPECT_EQ(album.GetZoomLockPoint(), Vector2<int>(5, 6));
    Invoke(*viewer_, kDispZoomUnlock, MemberKind::Method, {});
    EXPECT_FALSE(album.IsZoomLocked());
    EXPECT_EQ(album.GetZoomLockPoint(), Vector2<int>(-1, -1));
    EXPECT_EQ(Invoke(*viewer_, kDispRedrawCanvas, MemberKind::Method, {}), CallResult::Ok);

    // Calls the table cannot make.
    const struct {
        int dispid;
        MemberKind kind;
        std::vector<Value> arguments;
        CallResult result;
    } wrong[] = {
        {5, MemberKind::Get, {}, CallResult::MemberNotFound},
        {26, MemberKind::Method, {}, CallResult::MemberNotFound},
        {kDispPosX, MemberKind::Put, {}, CallResult::BadParamCount},
        {kDispPosX, MemberKind::Get, {Value::Int(1)}, CallResult::BadParamCount},
        {kDispZoomLock, MemberKind::Method, {Value::Int(1)}, CallResult::BadParamCount},
        {kDispPosX, MemberKind::Put, {Value::FloatOut(&x)}, CallResult::TypeMismatch},
        {kDispGetPosition,
         MemberKind::Method,
         {Value::Float(1), Value::FloatOut(&x), Value::FloatOut(&z)},
         CallResult::TypeMismatch},
    };
    for (const auto& w : wrong) {
        EXPECT_EQ(Invoke(*viewer_, w.dispid, w.kind, w.arguments), w.result) << w.dispid;
    }
}

// A script that makes the canvas smaller than the picture while a progressive load runs:
// the loader's later passes write only the rows the canvas still has.
TEST_F(Scripting, ShrinksTheCanvasUnderAProgressiveLoad) {
    ASSERT_TRUE(lwf_testing::UseOpenJpegCodec());
    const auto file = lwf_picture::LwfPicture(600, 520);
    LoopbackServer server;
    HttpReply reply = HttpReply::Body(std::string(file.begin(), file.end()));
    reply.holdAfter = 24000;
    server.Serve("/picture.lwf", std::move(reply));

    viewer_->AttachWindow(widget_);
    viewer_->put_Filename(server.Url("/picture.lwf"));
    ASSERT_TRUE(PumpUntil([&] {
        viewer_->OnFrameMessage();
        return edits_.Count("OnLoad") > 0;
    }));
    viewer_->put_CanvasHeight(70);
    viewer_->ReSizeCanvas(90, 40);
    server.Release();
    ASSERT_TRUE(PumpUntil([&] {
        viewer_->OnFrameMessage();
        return !viewer_->IsLoading() &&
               viewer_->GetAlbum().Loader().GetState() == AlbumLoader::kIdle;
    }));
    EXPECT_EQ(viewer_->GetAlbum().GetCanvasSize(), Vector2<int>(90, 40));
    EXPECT_TRUE(viewer_->RenderFrame());
}

}  // namespace
