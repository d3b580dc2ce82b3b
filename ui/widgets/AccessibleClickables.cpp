#include "widgets/AccessibleClickables.h"

#include "widgets/ClickablePicture.h"
#include "widgets/LinkLabel.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace {

class AccessibleClickable : public QAccessibleWidget
{
public:
    AccessibleClickable(QWidget *widget, QAccessible::Role role) : QAccessibleWidget(widget, role)
    {}

    QString text(QAccessible::Text kind) const override
    {
        QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty()) {
            if (const auto *label = qobject_cast<const QLabel *>(widget()))
                text = label->text();
        }
        return text;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            QMetaObject::invokeMethod(widget(), "clicked");
    }
};

QAccessibleInterface *clickableFor(const QString &, QObject *object)
{
    if (auto *link = qobject_cast<LinkLabel *>(object))
        return new AccessibleClickable(link, QAccessible::Link);
    if (auto *picture = qobject_cast<ClickablePicture *>(object))
        return new AccessibleClickable(picture, QAccessible::Button);
    return nullptr;
}

} // namespace

void InstallAccessibleClickables()
{
    static const bool installed = [] {
        QAccessible::installFactory(clickableFor);
        return true;
    }();
    Q_UNUSED(installed);
}
