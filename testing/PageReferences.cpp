#include "testing/PageReferences.h"

#include <filesystem>

#include <QRegularExpression>
#include <QString>

#include "testing/TempDir.h"

namespace testing_support {

std::vector<std::string> LocalReferences(const std::string& page) {
    // Qt's expressions rather than <regex>: g++ 12 warns inside libstdc++'s regex at -O2 with
    // the sanitizers, and CI treats warnings as errors.
    static const QRegularExpression reference(R"((?:src|href)\s*=\s*['"]?([^'" >]+))",
                                              QRegularExpression::CaseInsensitiveOption);
    std::vector<std::string> targets;
    const QString text = QString::fromStdString(ReadFile(page));
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const std::string target = it.next().captured(1).toStdString();
        if (target.starts_with('#') || target.find(':') != std::string::npos) continue;
        targets.push_back(target);
    }
    return targets;
}

std::vector<std::string> MissingReferences(const std::string& page) {
    const std::string folder = std::filesystem::path(page).parent_path().string() + "/";
    std::vector<std::string> missing;
    for (const std::string& target : LocalReferences(page)) {
        if (!std::filesystem::exists(folder + target)) missing.push_back(target);
    }
    return missing;
}

}  // namespace testing_support
