#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <optional>

// The suggested questions of one patient's Ask section. A failed load keeps the list as it was and keeps its
// error until the next load starts; an empty list means "none" only once a load succeeded.
class AskSuggestions final : public QObject
{
    Q_OBJECT

public:
    explicit AskSuggestions(QString patientID, QObject *parent = nullptr);

    QStringList questions() const { return m_questions; }
    bool isLoading() const { return m_isLoading; }
    const std::optional<QString> &error() const { return m_error; }
    bool hasLoaded() const { return m_hasLoaded; }

    // Without `refresh` a shown list stays and nothing is fetched.
    QCoro::Task<> load(bool refresh);
    // Try Again after a failed load: an empty list loads as at start, a shown one is refreshed.
    QCoro::Task<> retry();

Q_SIGNALS:
    void questionsChanged();
    void isLoadingChanged(bool isLoading);
    void stateChanged();

private:
    static QCoro::Task<> fetch(QPointer<AskSuggestions> suggestions, bool refresh);

    void setQuestions(const QStringList &questions);
    void setIsLoading(bool isLoading);
    void setState(const std::optional<QString> &error, bool loaded);

    QString m_patientID;
    QStringList m_questions;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    bool m_hasLoaded = false;
};
