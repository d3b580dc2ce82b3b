#pragma once

#include <QCommandLinkButton>

// A command link with its caption in large type of the regular weight, as the platform's own
// command links have it (Qt's draws it in bold, which costs a second font face at every start).
// No note line: a description, if set, is not drawn.
class CommandLinkButton : public QCommandLinkButton
{
    Q_OBJECT

public:
    explicit CommandLinkButton(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont captionFont() const;
};
