#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <QCoroTask>

class DocumentGridModel;
class DocumentStore;

// Fetches the stored record of each listed document the grid shows and puts it in place of the listed one.
// Only the cards in view and a screen's worth around them are fetched, those in view first, a few at a time
// (fewer than the six connections a host gets, so thumbnails find one free). A card scrolled far away before
// its request was sent is never asked for, and one whose request is still running is aborted; both are asked
// for again when they come back. A document answered once (with a record, null or an error) is not fetched
// again until the list changes; one without an "_id" never is. While held, it sends nothing: the listed
// records already carry their thumbnail links, so the cards in view show those first.
class DocumentRecordLoader final : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxInFlight = 4;

    DocumentRecordLoader(DocumentStore *store, DocumentGridModel *model, QObject *parent);

    // The rows the grid shows, first to last inclusive; nothing when last < first.
    void setRowsInView(int first, int last);
    // The document is being renewed, and the renewed record is newer than any fetched one: its fetch is
    // aborted or never sent.
    void supersede(const QString &documentID);
    // Held, no new fetch starts; released, the wanted ones start.
    void setHeld(bool held);
    int inFlight() const { return int(m_inFlight.size()); }

private:
    void restart();
    QStringList wantedIDs() const;
    void startNext();
    QCoro::Task<> fetch(QString documentID, quint64 call);

    DocumentStore *m_store = nullptr;
    DocumentGridModel *m_model = nullptr;
    int m_first = 0;
    int m_last = -1;
    bool m_held = false;
    QSet<QString> m_answered;
    // Each running request under its call number, which an abort or a new list retires.
    QHash<QString, quint64> m_inFlight;
    quint64 m_calls = 0;
};
