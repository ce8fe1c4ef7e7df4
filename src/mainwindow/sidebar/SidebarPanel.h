#pragma once

#include "window/SidebarSection.h"

#include <QList>
#include <QWidget>

#include <optional>

class DocumentImportManager;
class PatientPicker;
class PatientStore;
class SidebarActionRow;
class SidebarCategoryRow;
class WindowState;

// The left column: the patient picker, the document import row, the five section rows, the "CATEGORIES" filter rows and
// the "Settings" footer. It keeps nothing of its own: rows are drawn from the window's state and the patient store, and
// their actions write those.
class SidebarPanel final : public QWidget
{
    Q_OBJECT

public:
    SidebarPanel(PatientStore *patientStore, WindowState *state, DocumentImportManager *importManager,
                 QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;

    void showTimeline();
    void selectSection(SidebarSection section);
    void toggleCategory(const QString &code);

Q_SIGNALS:
    void settingsRequested();
    // The import row was clicked.
    void importSheetRequested();

private:
    struct SectionRow {
        SidebarActionRow *row;
        SidebarSection section;
    };
    struct CategoryRow {
        SidebarCategoryRow *row;
        QString code;
    };

    QWidget *buildSectionRows();
    QWidget *buildCategoryRows();
    void refreshPatientPicker();
    void refreshSelection();
    void choosePatient(const QString &id);

    PatientStore *m_patientStore = nullptr;
    WindowState *m_state = nullptr;
    PatientPicker *m_patientPicker = nullptr;
    QList<SectionRow> m_sectionRows;
    QList<CategoryRow> m_categoryRows;
};
