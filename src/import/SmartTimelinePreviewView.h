#pragma once

#include "ReviewTabStop.h"

#include "widgets/Sheet.h"

#include <QList>
#include <QPointer>

#include <QCoroTask>

#include <optional>

class BusyIndicator;
class DocumentImportManager;
class DocumentImportReview;
class MedbitStore;
class QLabel;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTimer;
class QToolButton;
class QVBoxLayout;
class ReviewProgressBar;
class ReviewSectionBlock;
class ScreenAction;

// The review of one import: how far the upload and analysis have come, then the suggested entries by
// category, to edit, translate and save in one batch. It renders the manager's state and calls its
// operations; it closes through "Cancel" or a save that succeeded (the window also closes it when the
// manager's review ends). Failures raised while it is open show in red inside it.
class SmartTimelinePreviewView final : public Sheet
{
    Q_OBJECT

public:
    SmartTimelinePreviewView(DocumentImportManager *manager, MedbitStore *store, QWidget *parent = nullptr);

    // The failure shown in red, if any.
    std::optional<QString> errorMessage() const { return m_errorMessage; }

protected:
    // Tab and Shift+Tab walk the sheet in the order it is drawn, building a row when they reach one that
    // is not built yet, and scroll the control they reach into view.
    bool focusNextPrevChild(bool next) override;

private:
    QWidget *buildToolbar();
    QWidget *buildProgressBlock();
    QScrollArea *buildReviewList();
    QWidget *buildTranslationBar(QWidget *parent);
    void cancel();
    void save();
    QCoro::Task<> saveTask();
    void showImportError();
    void setErrorMessage(const QString &text);
    void refreshPhase();
    void refreshProgress();
    void refreshSections();
    void buildPendingRows();
    QList<ReviewTabStop> tabStops() const;
    void reveal(QWidget *control);
    void refreshTranslation();

    DocumentImportManager *m_manager = nullptr;
    DocumentImportReview *m_review = nullptr;
    QPointer<MedbitStore> m_store;
    std::optional<QString> m_errorMessage;
    ScreenAction *m_saveAction = nullptr;

    QLabel *m_title = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QLabel *m_nothingToSave = nullptr;
    QStackedWidget *m_body = nullptr;
    QWidget *m_progressBlock = nullptr;
    QScrollArea *m_reviewList = nullptr;
    ReviewProgressBar *m_progressBar = nullptr;
    BusyIndicator *m_progressSpinner = nullptr;
    QLabel *m_progressLabel = nullptr;
    QLabel *m_progressError = nullptr;
    QLabel *m_reviewError = nullptr;
    QToolButton *m_translateMenu = nullptr;
    QToolButton *m_undoTranslation = nullptr;
    QWidget *m_translating = nullptr;
    QWidget *m_sectionsBox = nullptr;
    QVBoxLayout *m_sectionsLayout = nullptr;
    QList<ReviewSectionBlock *> m_sections;
    QTimer *m_rowBuilder = nullptr;
};
