#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// The last narrative the service wrote about a patient, kept per patient in the private settings as JSON
// text: {"narrative": Markdown, "generatedAt": seconds since 2001-01-01 UTC}. Only these functions touch
// the keys under storageKeyPrefix.
struct HealthStory {
    QString narrative;
    QDateTime generatedAt; // when this program received it

    static constexpr QLatin1StringView storageKeyPrefix{"com.vantorelle.health-story."};
    static QString storageKey(const QString &patientID);

    // None for a missing or unreadable entry, which is left as it is.
    static std::optional<HealthStory> loadCached(const QString &patientID);
    // A failed write is not reported: the story is still shown, and the previous entry stays.
    static void saveCached(const HealthStory &story, const QString &patientID);

    // Both keys are required; any fault gives none.
    static std::optional<HealthStory> fromJson(const QByteArray &json);
    QByteArray toJson() const;

    friend bool operator==(const HealthStory &, const HealthStory &) = default;
};
