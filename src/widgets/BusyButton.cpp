#include "BusyButton.h"

#include "BusyIndicator.h"

#include <QGuiApplication>
#include <QHBoxLayout>

BusyButton::BusyButton(const QString &title, QWidget *parent)
    : QPushButton(title, parent), m_title(title), m_indicator(new BusyIndicator(14, this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_indicator, 0, Qt::AlignCenter);
    m_indicator->hide();
    setMinimumHeight(28);
    setProminent(true);
}

void BusyButton::setBusyTitle(const QString &busyTitle)
{
    m_busyTitle = busyTitle;
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
    m_indicator->setVisible(showIndicator);
    setEnabled(m_ready && !m_busy);
}
