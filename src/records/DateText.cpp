#include "DateText.h"

#include "DateLayout.h"
#include "MediumDateTable.h"

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace
{

enum class DateForm { MediumDate, DateTime, MonthDayTime };

struct LocaleFormatters {
    QLocale locale;
    std::array<std::unique_ptr<icu::DateFormat>, 3> forms;
};

icu::Locale icuLocaleOf(const QLocale &locale)
{
    const QByteArray tag = locale.bcp47Name().toLatin1();
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale result = icu::Locale::forLanguageTag(icu::StringPiece(tag.constData(), tag.size()), status);
    return U_SUCCESS(status) && !result.isBogus() ? result : icu::Locale::getRoot();
}

std::unique_ptr<icu::DateFormat> patternFormatter(const char *skeleton, const icu::Locale &locale)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status))
        return nullptr;
    const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString(skeleton), status);
    auto formatter = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
    return U_SUCCESS(status) ? std::move(formatter) : nullptr;
}

std::unique_ptr<icu::DateFormat> makeFormatter(DateForm form, const QLocale &locale)
{
    const icu::Locale icuLocale = icuLocaleOf(locale);
    std::unique_ptr<icu::DateFormat> formatter;
    switch (form) {
    case DateForm::MediumDate:
        formatter.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, icuLocale));
        break;
    case DateForm::DateTime:
        formatter = patternFormatter("yMMMdjmm", icuLocale);
        break;
    case DateForm::MonthDayTime:
        formatter = patternFormatter("MMMdjmm", icuLocale);
        break;
    }
    if (formatter)
        formatter->setTimeZone(*icu::TimeZone::getGMT());
    return formatter;
}

const icu::DateFormat *cachedFormatter(DateForm form, const QLocale &locale)
{
    thread_local std::vector<LocaleFormatters> cache; // a run sees one or two locales
    auto entry = std::find_if(cache.begin(), cache.end(),
                              [&locale](const LocaleFormatters &candidate) { return candidate.locale == locale; });
    if (entry == cache.end())
        entry = cache.insert(cache.end(), LocaleFormatters{locale, {}});
    std::unique_ptr<icu::DateFormat> &slot = entry->forms.at(std::size_t(form));
    if (!slot)
        slot = makeFormatter(form, locale);
    return slot.get();
}

// Qt decides the wall-clock time, because it follows the zone as it changes at run time where ICU reads
// the host's zone once; the formatters only lay the fields out, in UTC.
UDate wallClock(const QDateTime &moment)
{
    const QDateTime local = moment.toLocalTime();
    return UDate(local.toMSecsSinceEpoch() + qint64(local.offsetFromUtc()) * 1000);
}

QString formatted(DateForm form, const QLocale &locale, UDate wallClockTime)
{
    const icu::DateFormat *formatter = cachedFormatter(form, locale);
    if (!formatter)
        return {};
    icu::UnicodeString text;
    formatter->format(wallClockTime, text);
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

} // namespace

namespace DateText
{

QString mediumDate(const QDate &date, const QLocale &locale)
{
    if (!date.isValid())
        return {};
    // Most locales' medium dates come from the table built from ICU, so a timeline makes no ICU formatter.
    if (const MediumDateTable::Entry *entry = MediumDateTable::find(locale.bcp47Name().toLatin1())) {
        DateLayout::MonthNames months;
        std::transform(entry->shortMonths.begin(), entry->shortMonths.end(), months.begin(),
                       [](const char16_t *name) { return QStringView(name); });
        if (std::optional<QString> text = DateLayout::format(date, QStringView(entry->pattern), months))
            return *std::move(text);
    }
    return formatted(DateForm::MediumDate, locale, UDate(date.startOfDay(Qt::UTC).toMSecsSinceEpoch()));
}

QString dateTime(const QDateTime &moment, const QLocale &locale)
{
    return moment.isValid() ? formatted(DateForm::DateTime, locale, wallClock(moment)) : QString();
}

QString monthDayTime(const QDateTime &moment, const QLocale &locale)
{
    return moment.isValid() ? formatted(DateForm::MonthDayTime, locale, wallClock(moment)) : QString();
}

} // namespace DateText
