// The animation page's scripts as the studio writes them, run in a JavaScript engine against
// a stand-in viewer that records its moves and a clock the test advances.
#include <gtest/gtest.h>

#include <QJSEngine>
#include <QJSValue>
#include <QString>
#include <string>
#include <vector>

#include "studio/core/DataFolder.h"
#include "studio/projects/Animation.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "testing/QtTestApp.h"
#include "testing/ScriptedPrompts.h"

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

// The scripts of the page the studio generates for an animation of three points whose view
// centres put the viewer's corner at x 0, 320 and 640, with this speed and play mode.
class Page {
public:
    Page(int speed, int mode) {
        gallery_testing::GalleryEnvironment env;
        testing_support::ScriptedPrompts prompts;
        SetDataFolder(VANTELO_SOURCE_DATA_FOLDER);
        Animation animation(env.properties());
        animation.SetSpeed(speed);
        animation.SetPlayMode(mode);
        animation.Initialize(nullptr);
        Run(kShim);
        Run(testing_support::ReadFile(animation.GetWorkingFolder() + "data/animation.js"));
        EXPECT_TRUE(animation.Open(env.root().Write("photo.jpg", "picture")));
        for (const Vector3& position : {Vector3(160, 100, 1), {480, 300, 1}, {800, 500, 1}}) {
            animation.InsertPoint(-1, {"", position, {}});
        }
        // The page's last script starts the player.
        const std::string html = testing_support::ReadFile(animation.GeneratePage());
        const std::size_t start = html.rfind("<script>");
        const std::size_t end = html.rfind("</script>");
        EXPECT_TRUE(start != std::string::npos && end > start);
        Run(html.substr(start + 8, end - start - 8));
        SetDataFolder("");
    }

    std::string Run(const std::string& code) {
        const QJSValue result = js_.evaluate(QString::fromStdString(code));
        EXPECT_FALSE(result.isError()) << result.toString().toStdString();
        return result.toString().toStdString();
    }
    std::string Moves() { return Run("take()"); }
    void Advance(int ms) { Run("advance(" + std::to_string(ms) + ")"); }

private:
    // The engine needs the application object first.
    bool application_ = (testing_support::TestApplication(), true);
    QJSEngine js_;
};

TEST(AnimationPage, EachPlayModeStepsThroughThePoints) {
    const std::pair<int, const char*> cases[] = {
        {0, "jA mB mC"},                    // play once
        {1, "jA mB mC mA mB mC mA"},        // loop forward
        {2, "jA mB mC jA mB mC jA mB mC"},  // warp forward
        {3, "jC mB mA mC mB mA mC"},        // loop backward
        {4, "jC mB mA jC mB mA jC mB mA"},  // warp backward
        {5, "jA mB mC mB mA mB mC"},        // ping-pong
    };
    for (const auto& [mode, moves] : cases) {
        Page page(100, mode);
        page.Moves();
        page.Run("play()");
        // Six moves of 2200 ms and a rest of 400 ms each, jumps resting 400 ms.
        page.Advance(6 * 2600);
        EXPECT_EQ(page.Moves(), moves) << "mode " << mode;
        EXPECT_EQ(page.Run("VanteloAnimation.state()"), mode == 0 ? "0" : "1");
    }
    Page fast(200, 1);
    fast.Run("play()");
    fast.Advance(400);
    EXPECT_EQ(fast.Run("moves[moves.length - 1][3]"), "200");
}

TEST(AnimationPage, PauseStopAndStepping) {
    Page page(100, 2);
    page.Moves();
    page.Run("play()");
    page.Advance(400 + 1000);  // half way to B
    page.Run("pause()");
    EXPECT_EQ(page.Moves(), "jA mB j(5,6,2,0,0)");  // held where it stands
    page.Advance(20000);
    page.Run("play()");
    EXPECT_EQ(page.Moves(), "mB");  // resumes toward the point it was heading for
    page.Run("stop(); forward(); forward(); forward(); rewind()");
    page.Advance(20000);
    EXPECT_EQ(page.Moves(), "jA mB mC mA mC");
}

}  // namespace
