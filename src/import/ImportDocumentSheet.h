#pragma once

#include "widgets/Sheet.h"

#include <QList>
#include <QUrl>

class DocumentImportManager;
class FileDropFilter;
class QLabel;

// The small sheet that hands documents to the import: dropped on its dashed area or chosen with
// "Choose File…". It closes itself once the import accepted at least one file (the review then takes over)
// and through its close button; refused files are the manager's error, which the window shows.
class ImportDocumentSheet final : public Sheet
{
    Q_OBJECT

public:
    explicit ImportDocumentSheet(DocumentImportManager *manager, QWidget *parent = nullptr);

    // A file drag hovers over the drop zone: the zone is drawn in the accent colour.
    bool isDropTargeted() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *buildHeader();
    QWidget *buildDropZone();
    void chooseFile();
    void importFiles(const QList<QUrl> &files);
    void refreshTargeted();

    DocumentImportManager *m_manager = nullptr;
    QWidget *m_dropZone = nullptr;
    FileDropFilter *m_drop = nullptr;
    QLabel *m_symbol = nullptr;
};
