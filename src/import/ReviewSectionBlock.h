#pragma once

#include "ImportModels.h"
#include "ReviewTabStop.h"

#include <QList>
#include <QWidget>

class BusyIndicator;
class DocumentImportReview;
class PreviewMedbitRow;
class QLabel;
class QPushButton;
class QVBoxLayout;

// One category section of the review: a header that collapses it (badge, title, count or spinner,
// chevron) over one row per suggested entry, and a divider. setSection() updates it in place: rows
// are kept by entry id, so the editor the user types in keeps its caret and focus. Rows of new entries
// are built on request (buildNextRow), a few at a time, so that hundreds of suggestions arriving at once
// never hold the window still.
class ReviewSectionBlock final : public QWidget
{
    Q_OBJECT

public:
    ReviewSectionBlock(const QString &tag, DocumentImportReview *review, QWidget *parent = nullptr);

    QString tag() const { return m_tag; }
    void setSection(const TaggedPreviewMedbits &section);
    bool isCollapsed() const { return m_isCollapsed; }
    void toggleCollapsed();

    // Entries that have no row yet: they follow the built rows.
    qsizetype pendingRows() const { return m_section.medbits.size() - m_rows.size(); }
    // Builds the next entry's row; it shows with showBuiltRows().
    void buildNextRow();
    void showBuiltRows();
    // The header while it acts, then each shown row's controls; an entry without a row is one stop.
    QList<ReviewTabStop> tabStops();
    // Builds the rows up to the entry at `row`; returns the first of its controls, or the last one.
    QWidget *reach(qsizetype row, bool first);

private:
    QPushButton *buildHeader();
    void syncRows(const QList<PreviewMedbit> &medbits);
    QVBoxLayout *chunkFor(qsizetype index);
    void insertRow(qsizetype index, const PreviewMedbit &medbit);
    void discard(PreviewMedbitRow *row);
    void refreshHeader();
    void refreshChevron();

    QString m_tag;
    DocumentImportReview *m_review = nullptr;
    TaggedPreviewMedbits m_section;
    bool m_isCollapsed = false;
    QPushButton *m_header = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_count = nullptr;
    QLabel *m_chevron = nullptr;
    BusyIndicator *m_spinner = nullptr;
    QWidget *m_rowsBox = nullptr;
    QVBoxLayout *m_rowsLayout = nullptr;
    QList<PreviewMedbitRow *> m_rows;
};
