#include "ui/widgets/HyperlinkLabel.h"

#include "ui/base/UrlOpener.h"

#include <QUrl>

HyperlinkLabel::HyperlinkLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenExternalLinks(false);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QLabel::linkActivated, this, [](const QString& link) { OpenUrl(QUrl(link)); });
}

void HyperlinkLabel::SetLink(const QString& text, const QString& target) {
    m_text = text;
    m_target = target;
    setText(QStringLiteral("<a href=\"%1\" style=\"color:#000066;\">%2</a>")
                .arg(target.toHtmlEscaped(), text.toHtmlEscaped()));
}
