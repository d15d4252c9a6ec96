// The animation page's scripts as the studio writes them, run in a JavaScript engine against
// a stand-in viewer that records its moves and a clock the test advances.
#include <gtest/gtest.h>

#include <QJSEngine>
#include <QJSValue>
#include <QString>
#include <string>
#include <vector>

#include "studio/projects/Animation.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "studio/shell/DataFolder.h"
#include "testing/QtTestApp.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

const char kShim[] = R"js(
var moves = [], timers = [], now = 0;
function setTimeout(f, ms) { timers.push({ f: f, at: now + ms }); return timers.length; }
function clearTimeout(id) { if (timers[id - 1]) timers[id - 1].f = null; }
var viewer = {
  width: 320, height: 200, PosX: 5, PosY: 6, PosZ: 2,
  getAttribute: function (name) { return String(this[name]); },
  MoveTo: function (x, y, z, ms, method) { moves.push([x, y, z, ms, method]); }
};
var document = { getElementById: function (id) { return id === "VT0" ? viewer : null; } };
function advance(ms) {
  var end = now + ms;
  for (;;) {
    var next = null;
    for (var i = 0; i < timers.length; ++i) {
      var t = timers[i];
      if (t.f && t.at <= end && (!next || t.at < next.at)) next = t;
    }
    if (!next) break;
    now = next.at;
    var f = next.f;
    next.f = null;
    f();
  }
  now = end;
}
// Moves as text: 'j' (at once) or 'm' (animated) and the point (A, B, C by the corner x).
function take() {
  var text = moves.map(function (m) {
    var point = m[0] === 0 ? "A" : m[0] === 320 ? "B" : m[0] === 640 ? "C" : "(" + m.join(",") + ")";
    return (m[3] === 0 ? "j" : "m") + point;
  }).join(" ");
  moves = [];
  return text;
}
)js";

// Three points whose view centres put the viewer's corner at x 0, 320 and 640.
const char kPoints[] = "[[160,100,1],[480,300,1],[800,500,1]]";

// The page's scripts as the studio writes them for an animation.
class Page {
public:
    // The player script of an animation with this speed and play mode.
    Page(int speed, int mode) { Load(speed, mode, {}); }
    // The player script and the page's own script, for an animation with these points.
    Page(int speed, int mode, const std::vector<Vector3>& points) { Load(speed, mode, points); }

    std::string Run(const std::string& code) {
        const QJSValue result = js_.evaluate(QString::fromStdString(code));
        Check(result);
        return result.toString().toStdString();
    }
    std::string Moves() { return Run("take()"); }
    void Advance(int ms) { Run("advance(" + std::to_string(ms) + ")"); }

private:
    void Load(int speed, int mode, const std::vector<Vector3>& points) {
        gallery_testing::GalleryEnvironment env;
        testing_support::ScriptedPrompts prompts;
        SetDataFolder(VANTELO_SOURCE_DATA_FOLDER);
        Animation animation(env.properties());
        animation.SetSpeed(speed);
        animation.SetPlayMode(mode);
        animation.Initialize(nullptr);
        Check(js_.evaluate(kShim));
        Check(js_.evaluate(QString::fromStdString(
            testing_support::ReadFile(animation.GetWorkingFolder() + "data/animation.js"))));
        if (!points.empty()) {
            ASSERT_TRUE(animation.Open(env.root().Write("photo.jpg", "picture")));
            for (const Vector3& position : points) {
                AnimationPoint point;
                point.position = position;
                animation.InsertPoint(-1, point);
            }
            // The page's last script starts the player.
            const std::string html = testing_support::ReadFile(animation.GeneratePage());
            const std::size_t start = html.rfind("<script>");
            const std::size_t end = html.rfind("</script>");
            ASSERT_TRUE(start != std::string::npos && end > start);
            Check(js_.evaluate(QString::fromStdString(html.substr(start + 8, end - start - 8))));
        }
        SetDataFolder("");
    }
    static void Check(const QJSValue& value) {
        EXPECT_FALSE(value.isError()) << value.toString().toStdString();
    }

    // The engine needs the application object first.
    bool application_ = (testing_support::TestApplication(), true);
    QJSEngine js_;
};

TEST(AnimationPage, EachPlayModeStepsThroughThePoints) {
    struct Case {
        int mode;
        const char* moves;
    };
    const Case cases[] = {
        {0, "jA mB mC"},                    // play once
        {1, "jA mB mC mA mB mC mA"},        // loop forward
        {2, "jA mB mC jA mB mC jA mB mC"},  // warp forward
        {3, "jC mB mA mC mB mA mC"},        // loop backward
        {4, "jC mB mA jC mB mA jC mB mA"},  // warp backward
        {5, "jA mB mC mB mA mB mC"},        // ping-pong
    };
    for (const Case& c : cases) {
        Page page(100, c.mode);
        page.Run(std::string("VanteloAnimation.setup('VT0', ") + kPoints + ", 100, " +
                 std::to_string(c.mode) + ")");
        page.Moves();
        page.Run("play()");
        // Six moves of 2200 ms and a rest of 400 ms each, jumps resting 400 ms.
        page.Advance(6 * 2600);
        EXPECT_EQ(page.Moves(), c.moves) << "mode " << c.mode;
        EXPECT_EQ(page.Run("VanteloAnimation.state()"), c.mode == 0 ? "0" : "1");
    }
}

TEST(AnimationPage, TheGeneratedPageStartsThePlayerOnItsPoints) {
    Page page(100, 1, {{160, 100, 1}, {480, 300, 1}, {800, 500, 1}});
    EXPECT_EQ(page.Moves(), "jA");
    page.Run("play()");
    page.Advance(3 * 2600);
    EXPECT_EQ(page.Moves(), "jA mB mC mA");
    EXPECT_EQ(page.Run("moves.length"), "0");
}

TEST(AnimationPage, PauseStopAndStepping) {
    Page page(100, 2);
    page.Run(std::string("VanteloAnimation.setup('VT0', ") + kPoints + ")");
    EXPECT_EQ(page.Moves(), "jA");  // the page opens on the first point
    page.Run("play()");
    page.Advance(400 + 1000);  // half way to B
    page.Run("pause()");
    EXPECT_EQ(page.Run("JSON.stringify(moves[moves.length - 1])"), "[5,6,2,0,0]");
    EXPECT_EQ(page.Moves(), "jA mB j(5,6,2,0,0)");  // held where it stands
    page.Advance(20000);
    EXPECT_EQ(page.Moves(), "");  // nothing moves while paused
    page.Run("play()");
    EXPECT_EQ(page.Moves(), "mB");  // resumes toward the point it was heading for
    page.Run("stop()");
    EXPECT_EQ(page.Moves(), "jA");
    page.Advance(20000);
    EXPECT_EQ(page.Moves(), "");
    page.Run("forward(); forward(); forward(); rewind()");
    EXPECT_EQ(page.Moves(), "mB mC mA mC");
    EXPECT_EQ(page.Run("VanteloAnimation.state()"), "0");
}

TEST(AnimationPage, SpeedSetsTheMoveTimeAndTheDefaultsComeFromTheScript) {
    Page fast(200, 1);
    fast.Run(std::string("VanteloAnimation.setup('VT0', ") + kPoints + ")");
    fast.Run("play()");
    fast.Advance(400);
    EXPECT_EQ(fast.Run("moves[moves.length - 1][3]"), "200");
    fast.Advance(600);
    EXPECT_EQ(fast.Moves(), "jA jA mB mC");  // loop forward, the script's own mode

    Page slow(30, 2);
    slow.Run(std::string("VanteloAnimation.setup('VT0', ") + kPoints + ")");
    slow.Run("forward()");
    EXPECT_EQ(slow.Run("moves[moves.length - 1][3]"), "3600");
}

TEST(AnimationPage, WithoutEnoughPointsOrAViewerNothingBreaks) {
    Page page(100, 2);
    page.Run("VanteloAnimation.setup('VT0', [[1,2,1]])");
    page.Moves();
    page.Run("play()");
    page.Advance(10000);
    EXPECT_EQ(page.Moves(), "");
    EXPECT_EQ(page.Run("VanteloAnimation.state()"), "0");

    // A viewer that has no members yet, and points that are no numbers.
    page.Run("viewer.MoveTo = undefined");
    page.Run(std::string("VanteloAnimation.setup('VT0', [null, [1, 'x', 2]].concat(") + kPoints +
             "))");
    page.Run("play(); pause(); play(); forward(); rewind(); stop()");
    page.Advance(10000);
    EXPECT_EQ(page.Run("VanteloAnimation.index()"), "0");
}

}  // namespace
