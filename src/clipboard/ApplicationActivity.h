#pragma once

#include <QObject>

// Whether this application is the active one. followingApplication() tracks the real state; tests build one
// with a fixed start and drive it with setActive().
class ApplicationActivity final : public QObject
{
    Q_OBJECT

public:
    explicit ApplicationActivity(bool isActive, QObject *parent = nullptr);
    static ApplicationActivity *followingApplication(QObject *parent);

    bool isActive() const { return m_isActive; }
    void setActive(bool isActive);

Q_SIGNALS:
    void activeChanged(bool isActive);

private:
    bool m_isActive = false;
};
