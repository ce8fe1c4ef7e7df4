#include "ApplicationActivity.h"

#include <QGuiApplication>

ApplicationActivity::ApplicationActivity(bool isActive, QObject *parent) : QObject(parent), m_isActive(isActive) {}

ApplicationActivity *ApplicationActivity::followingApplication(QObject *parent)
{
    auto *activity = new ApplicationActivity(QGuiApplication::applicationState() == Qt::ApplicationActive, parent);
    connect(qApp, &QGuiApplication::applicationStateChanged, activity,
            [activity](Qt::ApplicationState state) { activity->setActive(state == Qt::ApplicationActive); });
    return activity;
}

void ApplicationActivity::setActive(bool isActive)
{
    if (m_isActive == isActive)
        return;
    m_isActive = isActive;
    Q_EMIT activeChanged(isActive);
}
