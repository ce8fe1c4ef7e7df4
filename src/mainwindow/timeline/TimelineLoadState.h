#pragma once

#include <QWidget>

class MedbitStore;
class QLabel;
class QPushButton;

// Stands in the list's place while the open patient's entries are not there yet: a spinner while the store
// loads, the load's error with "Try Again", which loads once more, or, for a patient without entries, how to
// add the first. It hides itself as soon as the store
// holds entries, so the first rows of a slow load take its place at once.
class TimelineLoadState final : public QWidget
{
    Q_OBJECT

public:
    explicit TimelineLoadState(MedbitStore *store, QWidget *parent = nullptr);

    // Whether the list should give way: no entries, and a load running or failed, or none to load.
    bool isShown() const;

Q_SIGNALS:
    void shownChanged(bool shown);

private:
    void update();

    MedbitStore *m_store = nullptr;
    QWidget *m_progress = nullptr;
    QWidget *m_failure = nullptr;
    QWidget *m_empty = nullptr;
    QLabel *m_error = nullptr;
    bool m_shown = false;
};
