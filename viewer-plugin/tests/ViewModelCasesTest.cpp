// The shared table of view cases (testing/view-model-cases.json), run against the engine's
// view model on a real canvas. The page script's browser tests run the same table.

#include <cmath>
#include <string>
#include <vector>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "viewer-plugin/model/ViewGeometry.h"
#include "viewer-plugin/tests/AlbumTestSupport.h"

namespace {

Vector2<int> IntPair(const QJsonValue& value) {
    const QJsonArray a = value.toArray();
    return Vector2<int>(a.at(0).toInt(), a.at(1).toInt());
}

Vector3 Triple(const QJsonValue& value) {
    const QJsonArray a = value.toArray();
    return Vector3(static_cast<float>(a.at(0).toDouble()), static_cast<float>(a.at(1).toDouble()),
                   static_cast<float>(a.at(2).toDouble()));
}

QJsonArray ArrayOf(const Vector3& v) {
    return QJsonArray{v.x, v.y, v.z};
}

QJsonObject Table() {
    QFile file(QStringLiteral(VANTELO_VIEW_CASES));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Where an expected value and the model's differ, a line naming the key; empty when alike.
std::string Compare(const std::string& key, const QJsonValue& actual, const QJsonValue& expected,
                    double tolerance) {
    bool same = false;
    if (expected.isArray()) {
        const QJsonArray e = expected.toArray();
        const QJsonArray a = actual.toArray();
        same = a.size() == e.size();
        for (qsizetype i = 0; same && i < e.size(); ++i) {
            same = std::fabs(a.at(i).toDouble() - e.at(i).toDouble()) <= tolerance;
        }
    } else if (expected.isBool()) {
        same = actual.isBool() && actual.toBool() == expected.toBool();
    } else {
        same = actual.isDouble() && std::fabs(actual.toDouble() - expected.toDouble()) <= tolerance;
    }
    if (same) return {};
    return key + " is " +
           QJsonDocument(QJsonArray{actual}).toJson(QJsonDocument::Compact).toStdString() +
           ", not " +
           QJsonDocument(QJsonArray{expected}).toJson(QJsonDocument::Compact).toStdString();
}

class ViewModelCasesTest : public album_test::AlbumTest {
protected:
    // Lays the case's state over the defaults into a fresh model and applies its operation;
    // the model's values, keyed as the table names them.
    QJsonObject Run(const QJsonObject& defaults, const QJsonObject& c) {
        QJsonObject state = defaults;
        const QJsonObject overlay = c["state"].toObject();
        for (auto it = overlay.begin(); it != overlay.end(); ++it) state[it.key()] = it.value();
        const QString op = c["op"].toString();
        const QJsonArray args = c["args"].toArray();
        if (op == "MoveToStep") {
            const view::MoveStep step = view::MoveToStep(Triple(args[0]), Triple(args[1]),
                                                         args[2].toInt(), args[3].toDouble());
            QJsonObject out{{"done", step.done}};
            if (step.moves) out["position"] = ArrayOf(step.position);
            return out;
        }
        if (op == "LogoFrame") {
            return {{"frame", view::LogoFrame(args[0].toInt(), args[1].toInt())}};
        }

        album_ = std::make_unique<Album>();
        Album& album = *album_;
        album.SetMinZoom(static_cast<float>(state["minZoom"].toDouble()));
        album.SetMaxZoom(static_cast<float>(state["maxZoom"].toDouble()));
        album.SetZoomSpeed(static_cast<float>(50.0 / state["zoomDivisor"].toDouble()));
        album.SetPanSpeed(static_cast<float>(state["panFactor"].toDouble() / 1.8));
        album.SetUserInterfaceLock(state["lock"].toInt());
        const QJsonArray lock = state["zoomLock"].toArray();
        album.SetZoomLock(lock[0].toInt() != 0, lock[1].toInt(), lock[2].toInt());
        const Vector3 start = Triple(state["start"]);
        album.SetPosition(start.x, start.y, start.z);
        D3DWindow* display = nullptr;
        if (state["hasCanvas"].toBool()) {
            WithCanvas(IntPair(state["window"]), IntPair(state["image"]), Triple(state["screen"]));
            display = display_.get();
        }
        album.SetFit(state["fit"].toInt());

        const auto f = [&](int i) { return static_cast<float>(args[i].toDouble()); };
        if (op == "SetMinZoom") {
            album.SetMinZoom(f(0));
        } else if (op == "SetMaxZoom") {
            album.SetMaxZoom(f(0));
        } else if (op == "SetZoomSpeed") {
            album.SetZoomSpeed(f(0));
        } else if (op == "SetPanSpeed") {
            album.SetPanSpeed(f(0));
        } else if (op == "SetPosition") {
            album.SetPosition(-f(0), -f(1), f(2));
        } else if (op == "ZoomAt") {
            album.ZoomAt(display, IntPair(args[0]), f(1));
        } else if (op == "ZoomToFactor") {
            album.ZoomToFactor(display, f(0));
        } else if (op == "MouseZoom") {
            if (display != nullptr) CursorAt(IntPair(args[0]));
            album.MouseZoom(display, args[1].toInt());
        } else if (op == "Pan") {
            album.Pan(display, IntPair(args[0]));
        } else if (op == "FitToWindow") {
            if (display != nullptr) album.FitToWindow(display->GetSize(), args[0].toInt());
        } else if (op == "ZoomLock") {
            album.SetZoomLock(true, args[0].toInt(), args[1].toInt());
        } else if (op == "ZoomUnlock") {
            album.SetZoomLock(false, 0, 0);
        } else {
            ADD_FAILURE() << "no operation " << op.toStdString();
        }

        const Vector3 position = album.GetPosition();
        const Vector2<int> point = album.GetZoomLockPoint();
        return {{"screen", ArrayOf(album.GetScreenPosition())},
                {"start", ArrayOf(album.GetStartPosition())},
                {"position", ArrayOf(Vector3(-position.x, -position.y, position.z))},
                {"minZoom", album.GetMinZoom()},
                {"maxZoom", album.GetMaxZoom()},
                {"zoomDivisor", album.GetZoomDivisor()},
                {"panFactor", album.GetPanFactor()},
                {"ZoomSpeed", album.GetZoomSpeed()},
                {"PanSpeed", album.GetPanSpeed()},
                {"fit", album.GetFit()},
                {"lock", album.GetUserInterfaceLock()},
                {"zoomLock", QJsonArray{album.IsZoomLocked() ? 1 : 0, point.x, point.y}}};
    }
};

TEST_F(ViewModelCasesTest, TheSharedTableHolds) {
    const QJsonObject table = Table();
    const QJsonArray cases = table["cases"].toArray();
    ASSERT_FALSE(cases.isEmpty());
    std::vector<std::string> failures;
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const QJsonObject result = Run(table["defaults"].toObject(), c);
        const double tolerance = c["tolerance"].toDouble(0.001);
        const QJsonObject expect = c["expect"].toObject();
        for (auto it = expect.begin(); it != expect.end(); ++it) {
            const std::string line =
                Compare(it.key().toStdString(), result[it.key()], it.value(), tolerance);
            if (!line.empty()) failures.push_back(c["name"].toString().toStdString() + ": " + line);
        }
    }
    EXPECT_EQ(failures, std::vector<std::string>{});
}

}  // namespace
