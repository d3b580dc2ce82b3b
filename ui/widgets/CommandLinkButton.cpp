#include "widgets/CommandLinkButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
// Where Qt's command links put the arrow, and the gap between arrow and caption.
constexpr int LeftMargin = 7;
constexpr int TopMargin = 10;
constexpr int RightMargin = 4;
constexpr int ArrowGap = 6;
// The platform's command links: 12 points against the 8 of the window's type.
constexpr double CaptionScale = 1.5;
} // namespace

CommandLinkButton::CommandLinkButton(const QString &text, QWidget *parent)
    : QCommandLinkButton(text, parent)
{}

QFont CommandLinkButton::captionFont() const
{
    QFont caption = font();
    if (caption.pixelSize() > 0)
        caption.setPixelSize(qRound(caption.pixelSize() * CaptionScale));
    else
        caption.setPointSizeF(caption.pointSizeF() * CaptionScale);
    return caption;
}

void CommandLinkButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.features |= QStyleOptionButton::CommandLinkButton;
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QPoint shift =
        isDown() ? QPoint(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                          style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this))
                 : QPoint();
    const QSize arrowSize = icon().actualSize(iconSize());
    if (!icon().isNull())
        painter.drawPixmap(QPoint(LeftMargin, TopMargin) + shift,
                           icon().pixmap(arrowSize, isEnabled() ? QIcon::Normal : QIcon::Disabled,
                                         isChecked() ? QIcon::On : QIcon::Off));

    painter.setFont(captionFont());
    // A caption line shorter than the arrow is centred on it, as in Qt's command links.
    const int lineHeight = QFontMetrics(painter.font()).height();
    QRect caption =
        rect().adjusted(LeftMargin + arrowSize.width() + ArrowGap, TopMargin, -RightMargin, 0);
    caption.setTop(caption.top() + qMax(0, (arrowSize.height() - lineHeight) / 2));
    int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine;
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this))
        flags |= Qt::TextHideMnemonic;
    painter.drawItemText(caption.translated(shift), flags, option.palette, isEnabled(), text(),
                         QPalette::ButtonText);
}
