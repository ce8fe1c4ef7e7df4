#pragma once

#include "ClipboardModels.h"

#include <QList>
#include <QString>

// Where a patient's clipboard history is kept. The list goes into the private settings under the given key,
// with each file's bytes left out: those are written once, when first saved, to a private folder of the
// patient, named by the item's id, so that an event rewrites only the small list and never a photo again.
// A list stored with the bytes inside (base64) still loads; its next save moves them out to the folder.
// The settings file takes tens of milliseconds to write, so saves are written in order on a worker thread, and
// saves of one key that pile up meanwhile become one write of the newest list. Loading waits for them first.
namespace ClipboardHistoryStore
{

void save(const QList<ClipboardItem> &items, const QString &patientID, const QString &key);
QList<ClipboardItem> load(const QString &patientID, const QString &key);
// Returns once every save asked for has been written.
void waitForSaves();

} // namespace ClipboardHistoryStore
