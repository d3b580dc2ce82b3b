#include "widgets/SvgIcon.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <memory>

namespace {
// A picture read on first use: icons of windows that are not shown yet cost nothing at start.
class LazyPicture
{
public:
    explicit LazyPicture(const QString &path) : m_path(path) {}

    QSvgRenderer *renderer()
    {
        if (!m_renderer)
            m_renderer = std::make_unique<QSvgRenderer>(m_path);
        return m_renderer->isValid() ? m_renderer.get() : nullptr;
    }

private:
    QString m_path;
    std::unique_ptr<QSvgRenderer> m_renderer;
};

// Renders on demand: rendering a detailed picture at every size up front costs start-up time
// for sizes nobody shows.
class SvgIconEngine : public QIconEngine
{
public:
    SvgIconEngine(std::shared_ptr<LazyPicture> picture, std::shared_ptr<LazyPicture> disabled)
        : m_picture(std::move(picture)), m_disabled(std::move(disabled))
    {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        QSvgRenderer *disabled = m_disabled ? m_disabled->renderer() : nullptr;
        QSvgRenderer *renderer =
            mode == QIcon::Disabled && disabled ? disabled : m_picture->renderer();
        if (renderer)
            renderer->render(painter, rect);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        // The platform asks for the same sizes again (the window icon once per window).
        const QString key =
            QStringLiteral("%1x%2/%3").arg(size.width()).arg(size.height()).arg(mode);
        if (const auto cached = m_rendered.constFind(key); cached != m_rendered.constEnd())
            return *cached;
        const QPixmap result = render(size, mode, state);
        m_rendered.insert(key, result);
        return result;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        // What window managers pick the title-bar and taskbar icons from.
        return {QSize(16, 16), QSize(32, 32), QSize(48, 48)};
    }

    QIconEngine *clone() const override { return new SvgIconEngine(m_picture, m_disabled); }
    QString key() const override { return QStringLiteral("LumettaSvgIcon"); }

private:
    QPixmap render(const QSize &size, QIcon::Mode mode, QIcon::State state)
    {
        if (mode == QIcon::Disabled && !(m_disabled && m_disabled->renderer()))
            return greyed(size, state);
        QPixmap result(size);
        result.fill(Qt::transparent);
        QPainter painter(&result);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return result;
    }

    QPixmap greyed(const QSize &size, QIcon::State state)
    {
        QStyleOption option;
        const QPixmap normal = pixmap(size, QIcon::Normal, state);
        return QApplication::style()->generatedIconPixmap(QIcon::Disabled, normal, &option);
    }

    std::shared_ptr<LazyPicture> m_picture;
    std::shared_ptr<LazyPicture> m_disabled; // null: greyed from the normal picture
    QHash<QString, QPixmap> m_rendered;
};

std::shared_ptr<LazyPicture> picture(const QString &path)
{
    return QFile::exists(path) ? std::make_shared<LazyPicture>(path) : nullptr;
}
} // namespace

QIcon SvgIcon(const QString &picturePath)
{
    return SvgIcon(picturePath, QString());
}

QIcon SvgIcon(const QString &picturePath, const QString &disabledPicturePath)
{
    auto normal = picture(picturePath);
    if (!normal)
        return QIcon();
    return QIcon(new SvgIconEngine(std::move(normal), picture(disabledPicturePath)));
}
