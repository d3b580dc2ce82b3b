#include "Theme.h"

#include "DropDownHoverReset.h"
#include "ThemeStyle.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

namespace {
void reportMissingTheme()
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("Style '%1' not found").arg(Theme::Name), QMessageBox::NoButton);
    box.setObjectName(QStringLiteral("ThemeMissingBox"));
    QPushButton *close = box.addButton(QStringLiteral("&Close"), QMessageBox::AcceptRole);
    box.setDefaultButton(close);
    box.setEscapeButton(close);
    box.exec();
}
} // namespace

namespace Theme {
bool apply(QApplication &application, const QString &styleSheetPath)
{
    QFile file(styleSheetPath);
    if (!file.open(QIODevice::ReadOnly)) {
        reportMissingTheme();
        return false;
    }
    const QString styleSheet = QString::fromUtf8(file.readAll());
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(new ThemeStyle(fusion));
    application.setStyleSheet(styleSheet);
    application.installEventFilter(new DropDownHoverReset(&application));
    return true;
}

void useOwnPicturesOnly()
{
    // Only icon themes carried in the program's resources, and it carries none. (An empty list
    // would bring back the system's directories.)
    QIcon::setThemeSearchPaths({QStringLiteral(":/icons")});
    QIcon::setFallbackSearchPaths({QStringLiteral(":/icons")});
}

void applyFont(QApplication &application)
{
    QFont font;
    // Tahoma first; DejaVu Sans Condensed is the nearest in width on systems without it.
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setWeight(QFont::Normal);
    application.setFont(font);
}
} // namespace Theme
