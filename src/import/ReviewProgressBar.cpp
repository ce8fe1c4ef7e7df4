#include "ReviewProgressBar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>

#include <cmath>

namespace
{

// The fill is drawn on a scale this much finer than the value's, so that it moves smoothly between steps.
constexpr int fineScale = 100;

} // namespace

ReviewProgressBar::ReviewProgressBar(QWidget *parent) : QProgressBar(parent)
{
    m_motion.setDuration(250);
    m_motion.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&m_motion, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &shown) { showAt(shown.toDouble()); });
}

void ReviewProgressBar::moveTo(int maximum, int value)
{
    if (this->maximum() != maximum) {
        m_motion.stop();
        setRange(0, maximum);
        setValue(value);
        showAt(value);
        return;
    }
    if (this->value() == value)
        return;
    setValue(value);
    m_motion.stop();
    m_motion.setStartValue(m_shown);
    m_motion.setEndValue(double(value));
    m_motion.start();
}

void ReviewProgressBar::showAt(double value)
{
    m_shown = value;
    update();
}

void ReviewProgressBar::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    option.minimum = minimum() * fineScale;
    option.maximum = maximum() * fineScale;
    option.progress = int(std::lround(m_shown * fineScale));
    painter.drawControl(QStyle::CE_ProgressBar, option);
}
