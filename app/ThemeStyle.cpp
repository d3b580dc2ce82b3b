#include "ThemeStyle.h"

#include <QImageReader>
#include <QPixmap>
#include <QWidget>

namespace {
// The arrow Qt's styles give command links, read as the PNG it is.
QIcon commandLinkArrow()
{
    QImageReader reader(QStringLiteral(":/qt-project.org/styles/commonstyle/images/right-16.png"),
                        "png");
    reader.setAutoDetectImageFormat(false);
    const QImage arrow = reader.read();
    return arrow.isNull() ? QIcon() : QIcon(QPixmap::fromImage(arrow));
}
} // namespace

ThemeStyle::ThemeStyle(QStyle *base) : QProxyStyle(base) {}

QIcon ThemeStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option,
                               const QWidget *widget) const
{
    // Every command-link button asks for its arrow when it is made.
    const bool leftToRight = !widget || widget->layoutDirection() == Qt::LeftToRight;
    if (standardIcon == SP_CommandLink && leftToRight) {
        if (m_commandLinkArrow.isNull())
            m_commandLinkArrow = commandLinkArrow();
        if (!m_commandLinkArrow.isNull())
            return m_commandLinkArrow;
    }
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}
