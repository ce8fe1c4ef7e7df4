#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A change to the service failed while the session or the program waited for it to end: what waited stops
// (the session stays signed in) and shows this, where the user asked for it. description() is the failed
// change's own user text.
class ChangeFailure final : public std::exception
{
public:
    explicit ChangeFailure(QString description);

    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_description;
    QByteArray m_what;
};
