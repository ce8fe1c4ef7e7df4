#include "ImportRequests.h"

#include "net/APIClient.h"

#include <QJsonArray>

namespace
{

APIRequest jsonPost(const QString &path, const QJsonObject &body)
{
    APIRequest request{.method = HTTPMethod::POST, .path = path};
    request.setJSONBody(body);
    return request;
}

template <typename T> QJsonArray jsonArray(const QList<T> &records)
{
    QJsonArray array;
    for (const T &record : records)
        array.append(record.toJson());
    return array;
}

} // namespace

namespace ImportRequests
{

QCoro::Task<QList<TranslatedPatch>> translate(QString patientID, QString analyzeId, QString language)
{
    const APIRequest request =
        jsonPost(QStringLiteral("/patients/translate_preview_medbits"), {{QLatin1StringView("patientId"), patientID},
                                                                         {QLatin1StringView("analyzeId"), analyzeId},
                                                                         {QLatin1StringView("language"), language}});
    co_return co_await APIClient::shared().request<QList<TranslatedPatch>>(request);
}

QCoro::Task<QStringList> registerDocuments(QString patientID, QList<SmartAnalyzeUploadedFile> files)
{
    const APIRequest request =
        jsonPost(QStringLiteral("/patients/update_vector_store"),
                 {{QLatin1StringView("patientId"), patientID}, {QLatin1StringView("files"), jsonArray(files)}});
    co_return co_await APIClient::shared().request<QStringList>(request);
}

QCoro::Task<QList<Medbit>> bulkCreate(QString patientID, QList<PreviewMedbit> medbits, QStringList documentIds)
{
    const APIRequest request = jsonPost(QStringLiteral("/medbits/bulk_create"),
                                        {{QLatin1StringView("patientId"), patientID},
                                         {QLatin1StringView("medbits"), jsonArray(medbits)},
                                         {QLatin1StringView("documentIds"), QJsonArray::fromStringList(documentIds)}});
    co_return co_await APIClient::shared().request<QList<Medbit>>(request);
}

} // namespace ImportRequests
