#include "BusyIndicator.h"

#include <QPainter>

namespace
{
constexpr int spokeCount = 12;
}

BusyIndicator::BusyIndicator(int diameter, QWidget *parent) : QWidget(parent), m_diameter(diameter)
{
    setObjectName(QStringLiteral("busyIndicator"));
    setFixedSize(sizeHint());
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % spokeCount;
        update();
    });
}

QSize BusyIndicator::sizeHint() const
{
    return {m_diameter, m_diameter};
}

void BusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal radius = m_diameter / 2.0;
    QPen pen(palette().color(QPalette::ButtonText));
    pen.setWidthF(qMax(1.5, m_diameter / 9.0));
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < spokeCount; ++i) {
        QColor color = pen.color();
        color.setAlphaF(0.15 + 0.85 * ((i + spokeCount - m_step) % spokeCount) / (spokeCount - 1.0));
        pen.setColor(color);
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.9));
        painter.rotate(360.0 / spokeCount);
    }
}

void BusyIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer.start();
}

void BusyIndicator::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}
