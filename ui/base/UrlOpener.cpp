#include "ui/base/UrlOpener.h"

#include <QDesktopServices>

namespace {

std::function<bool(const QUrl&)>& Opener() {
    static std::function<bool(const QUrl&)> opener;
    return opener;
}

} // namespace

bool OpenUrl(const QUrl& url) {
    if (Opener()) return Opener()(url);
    return QDesktopServices::openUrl(url); // a page that cannot be opened is not reported
}

void SetUrlOpener(std::function<bool(const QUrl&)> opener) {
    Opener() = std::move(opener);
}
