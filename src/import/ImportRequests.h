#pragma once

#include "ImportModels.h"

#include "records/Medbit.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <QCoroTask>

// The service calls that follow an analysis. Each throws APIError; a 401 refreshes the token once.
namespace ImportRequests
{

// The service knows the suggested entries by the analysis id, so they are not sent.
QCoro::Task<QList<TranslatedPatch>> translate(QString patientID, QString analyzeId, QString language);
// Stores the analysed files as the patient's documents; returns their ids.
QCoro::Task<QStringList> registerDocuments(QString patientID, QList<SmartAnalyzeUploadedFile> files);
// Creates the entries, linked to the documents; returns them as created.
QCoro::Task<QList<Medbit>> bulkCreate(QString patientID, QList<PreviewMedbit> medbits, QStringList documentIds);

} // namespace ImportRequests
