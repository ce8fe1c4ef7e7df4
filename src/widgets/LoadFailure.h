#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

// Where a load's content would be, once it failed: what did not load, the error's text in red, and
// "Try Again". Hidden while there is no error. Its parts are named "<name>Error" and "<name>RetryButton".
class LoadFailure final : public QWidget
{
    Q_OBJECT

public:
    LoadFailure(const QString &what, const QString &name, QWidget *parent);

    void showError(const std::optional<QString> &error);

Q_SIGNALS:
    void tryAgainRequested();

private:
    QLabel *m_error = nullptr;
};
