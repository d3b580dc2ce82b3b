#include "SvgIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <memory>

namespace {
// Renders on demand: rendering a detailed picture at every size up front costs start-up time
// for sizes nobody shows.
class SvgIconEngine : public QIconEngine
{
public:
    explicit SvgIconEngine(std::shared_ptr<QSvgRenderer> renderer) : m_renderer(std::move(renderer))
    {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        m_renderer->render(painter, rect);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap result(size);
        result.fill(Qt::transparent);
        QPainter painter(&result);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return result;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        // What window managers pick the title-bar and taskbar icons from.
        return {QSize(16, 16), QSize(32, 32), QSize(48, 48)};
    }

    QIconEngine *clone() const override { return new SvgIconEngine(m_renderer); }
    QString key() const override { return QStringLiteral("LumettaSvgIcon"); }

private:
    std::shared_ptr<QSvgRenderer> m_renderer;
};
} // namespace

QIcon SvgIcon(const QString &picturePath)
{
    auto renderer = std::make_shared<QSvgRenderer>(picturePath);
    if (!renderer->isValid())
        return QIcon();
    return QIcon(new SvgIconEngine(std::move(renderer)));
}
