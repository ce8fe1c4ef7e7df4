#pragma once

#include "records/ImageAsset.h"
#include "records/Medbit.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <QCoroTask>

#include <functional>
#include <optional>

class ConnectedMedbitsColumn;
class DocumentDetailColumn;
class DocumentGridModel;
class DocumentListColumn;
class DocumentRecordLoader;
class DocumentRefresher;
class DocumentStore;
class MedbitStore;
class QSplitter;
class ThumbnailCache;
struct WindowContext;

// The Health Documents section for one patient: the patient's documents as a grid, the chosen one's
// preview and the timeline entries connected to it. Made anew for every patient and every visit, it lists
// the documents and shows the grid as soon as the list has arrived; the stored record of each card in view
// is fetched then, a few at a time (DocumentRecordLoader), and takes the listed one's place when it comes.
// A failed list shows its error with "Try Again". A document whose file or thumbnail cannot be shown is
// refreshed on the service once for the panel's life. Only documents with an "_id" are ever sent to the
// service. The panel owns its requests: when it goes, they are aborted and their answers dropped.
class HealthDocumentsPanel final : public QWidget
{
    Q_OBJECT

public:
    HealthDocumentsPanel(const WindowContext &context, QWidget *parent);

    QSize minimumSizeHint() const override;

    // True while the list is being requested.
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> loadError() const { return m_loadError; }
    DocumentGridModel *documents() const { return m_model; }
    // The entries of the patient's timeline linked to `document`, in timeline order.
    QList<Medbit> connectedMedbits(const ImageAsset &document) const;

private:
    QCoro::Task<> loadDocuments();
    void selectDocument(const QString &key);
    void requestForcedRefresh(const QString &key);
    void setLoading(bool isLoading);
    void refreshColumns();

    QString m_patientID;
    MedbitStore *m_medbitStore = nullptr;
    std::function<void(const Medbit &)> m_selectMedbit;
    DocumentStore *m_store = nullptr;
    // Never started afresh: each document is renewed at most once for the panel's life.
    DocumentRefresher *m_refresher = nullptr;
    DocumentGridModel *m_model = nullptr;
    DocumentRecordLoader *m_loader = nullptr;
    ThumbnailCache *m_thumbnails = nullptr;
    bool m_isLoading = false;
    std::optional<QString> m_loadError;

    QSplitter *m_split = nullptr;
    DocumentListColumn *m_list = nullptr;
    DocumentDetailColumn *m_detail = nullptr;
    ConnectedMedbitsColumn *m_connected = nullptr;
};
