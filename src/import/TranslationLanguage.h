#pragma once

#include <QList>
#include <QString>

// A language the suggested entries can be translated into: the code sent to the service and the
// language's own name for itself, shown as it is whatever the user's language.
struct TranslationLanguage {
    QString code;
    QString displayName;

    // The twenty languages in the order the translation menu offers them.
    static const QList<TranslationLanguage> &all();

    friend bool operator==(const TranslationLanguage &, const TranslationLanguage &) = default;
};

size_t qHash(const TranslationLanguage &language, size_t seed = 0);
