#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "testing/CommaLocale.h"
#include "viewer-plugin/tests/ScriptingTestSupport.h"
#include "viewer-plugin/viewer/DispatchTable.h"
#include "viewer-plugin/viewer/EmbedAttributes.h"

namespace {

using namespace scripting;

class EmbedAttributes : public scripting_test::ScriptingTest {
protected:
    void Apply(const std::vector<const char*>& names, const std::vector<const char*>& values) {
        ApplyEmbedAttributes(*viewer_, names, values, events_);
    }
    Value Read(int dispid) {
        Value value;
        Invoke(*viewer_, dispid, MemberKind::Get, {}, &value);
        return value;
    }
    EventNameMap events_;
};

TEST_F(EmbedAttributes, SetsEachSettingThroughItsSetter) {
    CommaLocale comma;
    const struct {
        const char* name;
        const char* value;
        int dispid;
        Value read;
    } cases[] = {
        {"param_userinterfacelock", "65", kDispUserInterfaceLock, Value::Int(65)},
        {"param_fullscreen", "1", kDispFullscreen, Value::Int(0)},
        {"param_posx", "12.5", kDispPosX, Value::Float(12.5f)},
        {"Param_PosY", "-3.25px", kDispPosY, Value::Float(-3.25f)},
        {"param_posz", "2.5", kDispPosZ, Value::Float(2.5f)},
        // The comma ends the number: 0, which is no zoom.
        {"param_posz", "0,5", kDispPosZ, Value::Float(2.5f)},
        {"param_showlogo", "2", kDispShowLogo, Value::Int(2)},
        {"param_fit", "48", kDispFit, Value::Int(48)},
        {"param_fit", "99999999999", kDispFit, Value::Int(INT_MAX)},
        {"param_fit", "-99999999999", kDispFit, Value::Int(INT_MIN)},
        {"param_borderheight", "3", kDispBorderHeight, Value::Int(3)},
        {"param_borderwidth", " 4", kDispBorderWidth, Value::Int(4)},
        {"param_bordercolor", "255", kDispBorderColor, Value::Int(255)},
        {"param_panspeed", "0.5", kDispPanSpeed, Value::Float(0.5f)},
        {"param_zoomspeed", "2", kDispZoomSpeed, Value::Float(2)},
        {"param_minzoom", "0.001", kDispMinZoom, Value::Float(0.01f)},
        {"param_maxzoom", "1e1", kDispMaxZoom, Value::Float(10)},
        {"param_maxzoom", "nan", kDispMaxZoom, Value::Float(10)},
        {"param_maxzoom", "1e40", kDispMaxZoom, Value::Float(10)},
        {"PARAM_BGCOLOR", "1193046", kDispBgColor, Value::Int(0x123456)},
        {"param_bgcolor", "junk", kDispCanvasColor, Value::Int(0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        Apply({c.name}, {c.value});
        const Value read = Read(c.dispid);
        if (c.read.Type() == ValueType::Float) {
            EXPECT_FLOAT_EQ(read.AsFloat(), c.read.AsFloat());
        } else {
            EXPECT_EQ(read, c.read);
        }
    }
    EXPECT_TRUE(events_.empty());
}

TEST_F(EmbedAttributes, StoresTheNameAndBindsTheEvents) {
    Apply({"PARAM_FILENAME", "event_ChangedPos", "event_OnChangeMode", "EVENT_ONCURSOR",
           "event_Load", "event_Time", "event_ZoomedToGoal"},
          {"a.jpg", "moved", "mode", "cursor", "loaded", "tick", "arrived"});
    // The name waits for the window: nobody is asked and nothing loads.
    EXPECT_EQ(viewer_->GetFilename(), "a.jpg");
    EXPECT_FALSE(viewer_->IsLoading());
    EXPECT_TRUE(edits_.Heard().empty());
    const EventNameMap expected = {{0, "moved"},  {1, "mode"}, {2, "cursor"},
                                   {3, "loaded"}, {4, "tick"}, {5, "arrived"}};
    EXPECT_EQ(events_, expected);

    // The full names bind the same ids; the last of a repeated attribute wins.
    Apply({"event_OnLoad", "event_OnTime", "param_filename", "param_filename"},
          {"onload", "ontime", "b.jpg", "c.jpg"});
    EXPECT_EQ(events_[3], "onload");
    EXPECT_EQ(events_[4], "ontime");
    EXPECT_EQ(viewer_->GetFilename(), "c.jpg");
}

TEST_F(EmbedAttributes, PassesOverWhatItDoesNotKnow) {
    const Vector2<int> canvas = viewer_->GetAlbum().GetCanvasSize();
    Apply({"param_canvaswidth", "param_canvasheight", "param_canvascolor", "param_version",
           "param_", "event_", "event_Other", "width", nullptr, "param_fit", "param_showlogo"},
          {"50", "60", "255", "9", "1", "f", "g", "400", "7", nullptr});
    EXPECT_EQ(viewer_->GetAlbum().GetCanvasSize(), canvas);
    EXPECT_EQ(viewer_->get_CanvasColor(), 0);
    EXPECT_EQ(viewer_->get_Fit(), 0);       // its value was null
    EXPECT_EQ(viewer_->get_ShowLogo(), 1);  // past the last value
    EXPECT_TRUE(events_.empty());
    EXPECT_TRUE(edits_.Heard().empty());
}

}  // namespace
