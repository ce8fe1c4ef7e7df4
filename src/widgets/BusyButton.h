#pragma once

#include <QPushButton>

class BusyIndicator;

// The prominent default button of a form. While busy it is disabled and either shows a small progress
// indicator in place of its title, or (with a busy title such as "Sending…") is relabelled.
// It is enabled exactly while it is ready (the input is valid) and not busy.
class BusyButton final : public QPushButton
{
    Q_OBJECT

public:
    explicit BusyButton(const QString &title, QWidget *parent = nullptr);

    void setBusyTitle(const QString &busyTitle);
    void setProminent(bool prominent);

    bool isBusy() const { return m_busy; }
    void setBusy(bool busy);

    QSize sizeHint() const override;
    bool isReady() const { return m_ready; }
    void setReady(bool ready);

private:
    void refresh();

    QString m_title;
    QString m_busyTitle;
    BusyIndicator *m_indicator = nullptr;
    bool m_busy = false;
    bool m_ready = true;
};
