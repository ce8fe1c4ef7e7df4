#include "AskInputBar.h"

#include "clipboard/ClipboardTrackingTextField.h"
#include "widgets/SymbolIcons.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace
{

constexpr int fieldCornerRadius = 20;
constexpr int fieldVerticalPadding = 10;

} // namespace

AskInputBar::AskInputBar(ClipboardManager *clipboard, const Names &names, QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(24, 16, 24, 16);
    row->setSpacing(12);
    m_field = new ClipboardTrackingTextField(clipboard, tr("Ask anything"), QStringLiteral("Ask"), this);
    m_field->setObjectName(names.field);
    m_field->setAccessibleName(names.fieldAccessible);
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: palette(base); border-radius: %1px;"
                                          " border: 1px solid rgba(128, 128, 128, 51); padding: %2px 16px; }")
                               .arg(fieldCornerRadius)
                               .arg(fieldVerticalPadding));
    m_field->setMinimumHeight(fieldCornerRadius + 2 * fieldVerticalPadding + 2);
    m_field->setOnSubmit([this] { Q_EMIT submitted(); });
    connect(m_field, &QLineEdit::textEdited, this, &AskInputBar::textEdited);
    m_sendButton = new QToolButton(this);
    m_sendButton->setObjectName(names.send);
    m_sendButton->setAccessibleName(names.sendAccessible);
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
