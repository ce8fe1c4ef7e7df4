#include "AskInputBar.h"

#include "clipboard/ClipboardTrackingTextField.h"
#include "widgets/SymbolIcons.h"

#include <QHBoxLayout>
#include <QToolButton>

AskInputBar::AskInputBar(ClipboardManager *clipboard, const QString &fieldName, const QString &sendName,
                         const QString &sendAccessibleName, QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(24, 16, 24, 16);
    row->setSpacing(12);
    m_field = new ClipboardTrackingTextField(clipboard, tr("Ask anything"), QStringLiteral("Ask"), this);
    m_field->setObjectName(fieldName);
    m_field->setOnSubmit([this] { Q_EMIT submitted(); });
    connect(m_field, &QLineEdit::textEdited, this, &AskInputBar::textEdited);
    m_sendButton = new QToolButton(this);
    m_sendButton->setObjectName(sendName);
    m_sendButton->setAccessibleName(sendAccessibleName);
    m_sendButton->setAutoRaise(true);
    m_sendButton->setIcon(SymbolIcons::icon(QStringLiteral("arrow.up.circle.fill")));
    m_sendButton->setIconSize(QSize(24, 24));
    connect(m_sendButton, &QToolButton::clicked, this, &AskInputBar::submitted);
    row->addWidget(m_field, 1);
    row->addWidget(m_sendButton);
}

void AskInputBar::showText(const QString &text)
{
    if (m_field->text() != text)
        m_field->setText(text);
}
