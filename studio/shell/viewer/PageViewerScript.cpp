#include "studio/shell/viewer/PageViewerScript.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/text/Text.h"

namespace {

// `act` runs with the viewer element in `v`, its width and height in `w` and `h`; members
// are read before it runs.
std::string Script(const std::string& act) {
    return "(function () {"
           "  function atoi(t) {"
           "    var m = /^[\\t\\n\\v\\f\\r ]*([+-]?[0-9]+)/.exec(t == null ? '' : String(t));"
           "    if (!m) return 0;"
           "    var n = parseInt(m[1], 10);"
           "    return n > 2147483647 ? 2147483647 : (n < -2147483648 ? -2147483648 : n);"
           "  }"
           "  var all = document.getElementsByTagName('object'), v = null;"
           "  for (var i = 0; i < all.length; ++i)"
           "    if (all[i].getAttribute('classid') === "
           "'clsid:7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73')"
           "      v = all[i];"
           "  if (!v || typeof v.PosX !== 'number' || typeof v.PosY !== 'number' ||"
           "      typeof v.PosZ !== 'number' || !('Fit' in v))"
           "    return JSON.stringify({found: false});"
           "  var w = atoi(v.getAttribute('width')), h = atoi(v.getAttribute('height'));"
           "  var answer = {found: true, w: w, h: h, x: v.PosX, y: v.PosY, z: v.PosZ};" +
           act +
           "  return JSON.stringify(answer);"
           "})()";
}

std::string Number(double value) {
    return platform::FormatC("%.9g", value);
}

}  // namespace

std::string ReadViewerScript() {
    return Script("");
}

std::string SetFitScript(long fit) {
    return Script("v.Fit = " + std::to_string(fit) + ";");
}

std::string SetPositionScript(const Vector3& position) {
    // The same whole-unit half spans as PageToViewerPosition.
    return Script("var x = " + Number(position.x) + ", y = " + Number(position.y) +
                  ", z = " + Number(position.z) +
                  ";"
                  "  if (isFinite(z) && z > 0) {"
                  "    v.PosX = x - Math.trunc(Math.trunc(w / 2) / z);"
                  "    v.PosY = y - Math.trunc(Math.trunc(h / 2) / z);"
                  "    v.PosZ = z;"
                  "  }");
}

std::optional<PageViewerAnswer> ReadPageViewerAnswer(const std::string& json) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    if (!document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    if (!object.value("found").toBool()) return std::nullopt;
    for (const char* key : {"w", "h", "x", "y", "z"}) {
        if (!object.value(key).isDouble()) return std::nullopt;
    }
    PageViewerAnswer answer;
    answer.width = object.value("w").toInt();
    answer.height = object.value("h").toInt();
    answer.posX = static_cast<float>(object.value("x").toDouble());
    answer.posY = static_cast<float>(object.value("y").toDouble());
    answer.posZ = static_cast<float>(object.value("z").toDouble());
    return answer;
}
