#include "BusyButton.h"

#include "BusyIndicator.h"
#include "FormKit.h"

#include <QGuiApplication>
#include <QHBoxLayout>

#include <algorithm>

BusyButton::BusyButton(const QString &title, QWidget *parent)
    : QPushButton(title, parent), m_title(title), m_indicator(new BusyIndicator(14, this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_indicator, 0, Qt::AlignCenter);
    m_indicator->hide();
    setProminent(true);
}

// A long title keeps the room a short one gets, busy or not.
QSize BusyButton::sizeHint() const
{
    const int padded =
        std::max(FormKit::paddedButtonWidth(this, m_title), FormKit::paddedButtonWidth(this, m_busyTitle));
    return QPushButton::sizeHint().expandedTo(QSize(padded, 0));
}

void BusyButton::setBusyTitle(const QString &busyTitle)
{
    m_busyTitle = busyTitle;
    updateGeometry();
    refresh();
}

void BusyButton::setProminent(bool prominent)
{
    setDefault(prominent);
    QPalette colours = QGuiApplication::palette();
    if (prominent) {
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            colours.setColor(group, QPalette::Button, colours.color(group, QPalette::Highlight));
            colours.setColor(group, QPalette::ButtonText, colours.color(group, QPalette::HighlightedText));
        }
    }
    setPalette(colours);
}

void BusyButton::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    refresh();
}

void BusyButton::setReady(bool ready)
{
    if (m_ready == ready)
        return;
    m_ready = ready;
    refresh();
}

void BusyButton::refresh()
{
    const bool showIndicator = m_busy && m_busyTitle.isEmpty();
    setText(showIndicator ? QString() : (m_busy ? m_busyTitle : m_title));
    // The spinner replaces the title on screen, not for a screen reader.
    setAccessibleName(showIndicator ? m_title : QString());
    m_indicator->setVisible(showIndicator);
    setEnabled(m_ready && !m_busy);
}
