#include "widgets/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

#include <utility>

namespace {
std::function<void(const QString &)> &shellOpenHandler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}
} // namespace

void ShellOpen(const QString &url, QWidget *parent)
{
    Q_UNUSED(parent);
    if (shellOpenHandler()) {
        shellOpenHandler()(url);
        return;
    }
    // The desktop's answer is not looked at: a page that cannot be opened is not an error here.
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

void SetShellOpenHandler(std::function<void(const QString &url)> handler)
{
    shellOpenHandler() = std::move(handler);
}
