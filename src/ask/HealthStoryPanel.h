#pragma once

#include <QWidget>

class BusyIndicator;
class HealthStoryController;
class MarkdownAnswerLabel;
class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;
struct WindowContext;

// The Health Story section for one patient: the cached story at once, and a new one written by the
// service when the user asks. The writing of a story outlives the panel.
class HealthStoryPanel final : public QWidget
{
    Q_OBJECT
    // The patient the panel was made for; a new patient gets a new panel.
    Q_PROPERTY(QString patientID READ patientID CONSTANT)

public:
    HealthStoryPanel(const WindowContext &context, QWidget *parent = nullptr);

    QString patientID() const;

    HealthStoryController *controller() const { return m_controller; }

private:
    QWidget *makeHeader();
    QWidget *makeStoryPage();
    QWidget *makeWritingPage();
    QWidget *makeEmptyPage();

    void generate();
    void showState();

    HealthStoryController *m_controller = nullptr;
    QToolButton *m_refreshButton = nullptr;
    BusyIndicator *m_refreshSpinner = nullptr;
    QLabel *m_error = nullptr;
    QStackedWidget *m_pages = nullptr;
    QWidget *m_storyPage = nullptr;
    QWidget *m_writingPage = nullptr;
    QWidget *m_emptyPage = nullptr;
    QLabel *m_lastUpdated = nullptr;
    MarkdownAnswerLabel *m_narrative = nullptr;
};
