#include "TranslationLanguage.h"

#include "records/RecordHashing.h"

const QList<TranslationLanguage> &TranslationLanguage::all()
{
    static const QList<TranslationLanguage> languages{
        {QStringLiteral("en"), QStringLiteral("English")},
        {QStringLiteral("ar"), QStringLiteral("العربية")},
        {QStringLiteral("zh-Hans"), QStringLiteral("简体中文")},
        {QStringLiteral("zh-Hant"), QStringLiteral("繁體中文")},
        {QStringLiteral("nl"), QStringLiteral("Nederlands")},
        {QStringLiteral("fr"), QStringLiteral("Français")},
        {QStringLiteral("de"), QStringLiteral("Deutsch")},
        {QStringLiteral("he"), QStringLiteral("עברית")},
        {QStringLiteral("hi"), QStringLiteral("हिन्दी")},
        {QStringLiteral("id"), QStringLiteral("Bahasa Indonesia")},
        {QStringLiteral("it"), QStringLiteral("Italiano")},
        {QStringLiteral("ja"), QStringLiteral("日本語")},
        {QStringLiteral("ko"), QStringLiteral("한국어")},
        {QStringLiteral("pl"), QStringLiteral("Polski")},
        {QStringLiteral("pt-BR"), QStringLiteral("Português (Brasil)")},
        {QStringLiteral("ru"), QStringLiteral("Русский")},
        {QStringLiteral("es"), QStringLiteral("Español")},
        {QStringLiteral("th"), QStringLiteral("ไทย")},
        {QStringLiteral("tr"), QStringLiteral("Türkçe")},
        {QStringLiteral("vi"), QStringLiteral("Tiếng Việt")},
    };
    return languages;
}

size_t qHash(const TranslationLanguage &language, size_t seed)
{
    seed = RecordHashing::combine(seed, language.code);
    return RecordHashing::combine(seed, language.displayName);
}
