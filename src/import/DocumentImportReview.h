#pragma once

#include "ImportModels.h"

#include "net/Generation.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <optional>

class DocumentImportManager;
class MedbitStore;

// The suggestions of one import under review: the sections its analysis fills, the user's edits, their
// translation and the save that stores the files and creates the entries. Its DocumentImportManager owns
// it, fills it and clears it when the import ends. Usage:
//   review->updateMedbit(tag, edited);
//   co_await review->translate(language);  // never throws: a failure lands in the import's activeError
//   co_await review->save(store);          // throws APIError
class DocumentImportReview final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<TaggedPreviewMedbits> sections READ sections NOTIFY sectionsChanged)
    Q_PROPERTY(bool isSaving READ isSaving NOTIFY isSavingChanged)
    Q_PROPERTY(bool isTranslating READ isTranslating NOTIFY isTranslatingChanged)
    Q_PROPERTY(std::optional<QString> translationLanguage READ translationLanguage NOTIFY translationLanguageChanged)

public:
    explicit DocumentImportReview(DocumentImportManager *import);

    const QList<TaggedPreviewMedbits> &sections() const { return m_sections; }
    bool isSaving() const { return m_isSaving; }
    bool isTranslating() const { return m_isTranslating; }
    std::optional<QString> translationLanguage() const { return m_translationLanguage; }
    // Saving is possible while no save runs and some entry is left: with none, the save would drop the
    // import's documents too.
    bool canSave() const;
    // The analysis suggested some entry, whether or not the user has removed it since.
    bool foundSuggestions() const { return m_foundSuggestions; }
    // All suggested entries, section after section.
    QList<PreviewMedbit> flattenedSuggestions() const;

    // Edits: the first section with `tag`, then the entries with the id.
    void updateMedbit(const QString &tag, const PreviewMedbit &medbit);
    void deleteMedbit(const QString &tag, const QString &id);
    // Clears every translation; each entry keeps its own language.
    void undoTranslation();
    QCoro::Task<> translate(QString language);
    // Stores the files and creates the entries at the front of `store`'s list, then ends the import; throws
    // APIError.
    QCoro::Task<> save(MedbitStore *store);

    // What the import fills in: every section loading for the import of `patientID`, then the analysis's
    // suggestions, then the end.
    void showLoading(const QString &patientID);
    void appendSuggestions(const SmartAnalyzeMessageEvent &message);
    void finishLoading();
    // Drops the sections, the translation and the documents a failed save stored; isSaving and isTranslating
    // stay with the work that set them.
    void clear();

Q_SIGNALS:
    void sectionsChanged();
    void isSavingChanged(bool saving);
    void isTranslatingChanged(bool translating);
    void translationLanguageChanged();

private:
    QCoro::Task<QStringList> documentIDsForSave(QString patientID, QList<SmartAnalyzeUploadedFile> files,
                                                Generation::Token generation);
    void applyTranslation(const QList<TranslatedPatch> &patches);
    TaggedPreviewMedbits *section(const QString &tag);

    void setSections(const QList<TaggedPreviewMedbits> &sections);
    void setIsSaving(bool saving);
    void setIsTranslating(bool translating);
    void setTranslationLanguage(const std::optional<QString> &language);

    DocumentImportManager *m_import = nullptr;
    // The patient whose documents were analysed: the translation and the save are for that one, whichever
    // patient the import manager has moved to since.
    QString m_patientID;
    QList<TaggedPreviewMedbits> m_sections;
    bool m_foundSuggestions = false;
    bool m_isSaving = false;
    bool m_isTranslating = false;
    std::optional<QString> m_translationLanguage;
    // Moves on with every clear(): a save then leaves the next import alone.
    Generation m_generation;
    // Documents already stored by a save of this import whose entries then failed: a retry reuses them.
    std::optional<QStringList> m_savedDocumentIDs;
};
