#include "platform/window/ShellOpen.h"

#include <mutex>
#include <string>

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace platform {
namespace {

std::mutex openerMutex;

AddressOpener& Opener() {
    static AddressOpener opener;
    return opener;
}

}  // namespace

bool ShellOpen(std::string_view address) {
    AddressOpener opener;
    {
        std::lock_guard lock(openerMutex);
        opener = Opener();
    }
    if (opener) return opener(address);
    const QUrl url(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())));
    return url.isValid() && QDesktopServices::openUrl(url);
}

AddressOpener SetAddressOpener(AddressOpener opener) {
    std::lock_guard lock(openerMutex);
    AddressOpener previous = std::move(Opener());
    Opener() = std::move(opener);
    return previous;
}

}  // namespace platform
