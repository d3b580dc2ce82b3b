#include "widgets/GeneralErrorHandler.h"

#include "LumettaError.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace {
std::function<void(const QString &, const QString &)> &errorBoxHandler()
{
    static std::function<void(const QString &, const QString &)> handler;
    return handler;
}

QString ownText(const std::exception &error)
{
    if (const auto *lumettaError = dynamic_cast<const LumettaError *>(&error))
        return lumettaError->message();
    return QString::fromUtf8(error.what());
}

// The text of the innermost error below `error` that has one; empty when none has.
QString innermostText(const std::exception &error)
{
    try {
        std::rethrow_if_nested(error);
    } catch (const std::exception &inner) {
        const QString text = innermostText(inner);
        if (!text.isEmpty())
            return text;
    } catch (...) {
        // A nested value that is not an exception carries no text.
    }
    return ownText(error);
}
} // namespace

QString ErrorMessageText(const std::exception &error)
{
    QString text = innermostText(error);
    if (!text.isEmpty() && text.back().unicode() > u'.')
        text += u'.';
    return text;
}

void ShowException(const std::exception &error)
{
    const QString caption = QCoreApplication::applicationName();
    const QString text = ErrorMessageText(error);
    if (errorBoxHandler()) {
        errorBoxHandler()(caption, text);
        return;
    }
    QWidget *owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

void SetErrorBoxHandler(std::function<void(const QString &caption, const QString &text)> handler)
{
    errorBoxHandler() = std::move(handler);
}
