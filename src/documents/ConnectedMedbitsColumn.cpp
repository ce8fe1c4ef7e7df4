#include "documents/ConnectedMedbitsColumn.h"

#include "documents/ConnectedMedbitRow.h"
#include "widgets/FormKit.h"
#include "widgets/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace
{

QWidget *entryDivider(QWidget *parent, int indent)
{
    auto *holder = new QWidget(parent);
    auto *layout = new QHBoxLayout(holder);
    layout->setContentsMargins(indent, 0, 0, 0);
    layout->addWidget(FormKit::divider(holder, QPalette::Midlight));
    return holder;
}

} // namespace

ConnectedMedbitsColumn::ConnectedMedbitsColumn(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("connectedMedbitsColumn"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *title = new QLabel(tr("Connected Entries"), this);
    title->setObjectName(QStringLiteral("connectedTitle"));
    title->setFont(Theme::headlineFont());
    title->setContentsMargins(24, 16, 24, 12);
    m_empty = new QLabel(tr("No connected entries."), this);
    m_empty->setObjectName(QStringLiteral("connectedEmpty"));
    m_empty->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Theme::setTextColor(m_empty, Theme::secondaryColor(this));
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("connectedList"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The rows take the focus one by one; the list itself only scrolls.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(title);
    layout->addWidget(entryDivider(this, 0));
    // The padding is the layout's: it goes with the text when the text is hidden.
    auto *emptyBox = new QVBoxLayout;
    emptyBox->setContentsMargins(24, 24, 24, 24);
    emptyBox->addWidget(m_empty);
    layout->addLayout(emptyBox, 1);
    layout->addWidget(m_scroll, 1);
    m_scroll->hide();
}

void ConnectedMedbitsColumn::setMedbits(const QList<Medbit> &medbits)
{
    if (m_rows && medbits == m_medbits)
        return;
    m_medbits = medbits;
    // The scroll area deletes the rows it showed before.
    m_rows = new QWidget;
    auto *rows = new QVBoxLayout(m_rows);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    for (const Medbit &medbit : medbits) {
        auto *row = new ConnectedMedbitRow(medbit, m_rows);
        connect(row, &ConnectedMedbitRow::clicked, this, [this, row] { Q_EMIT medbitChosen(row->medbit()); });
        rows->addWidget(row);
        rows->addWidget(entryDivider(m_rows, 24));
    }
    rows->addStretch(1);
    m_scroll->setWidget(m_rows);
    m_empty->setVisible(medbits.isEmpty());
    m_scroll->setVisible(!medbits.isEmpty());
}
