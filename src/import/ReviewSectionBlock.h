#pragma once

#include "ImportModels.h"

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
// are kept by entry id, so the editor the user types in keeps its caret and focus.
class ReviewSectionBlock final : public QWidget
{
    Q_OBJECT

public:
    ReviewSectionBlock(const QString &tag, DocumentImportReview *review, QWidget *parent = nullptr);

    QString tag() const { return m_tag; }
    void setSection(const TaggedPreviewMedbits &section);
    bool isCollapsed() const { return m_isCollapsed; }
    void toggleCollapsed();

private:
    QPushButton *buildHeader();
    void syncRows(const QList<PreviewMedbit> &medbits);
    PreviewMedbitRow *makeRow(const PreviewMedbit &medbit);
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
