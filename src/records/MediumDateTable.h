#pragma once

#include <QByteArrayView>

#include <array>
#include <cstddef>

// Each locale's medium date pattern and month abbreviations as ICU gives them, for every locale Qt knows whose
// medium dates DateLayout lays out exactly as ICU does. The table is generated when the application is built
// (tools/datetable), which compares every entry's dates with ICU's before it lets the entry in: the timeline's
// dates then cost no ICU formatter, which takes some 4 MB of memory to make.
namespace MediumDateTable
{

struct Entry {
    const char *tag; // QLocale::bcp47Name()
    const char16_t *pattern;
    std::array<const char16_t *, 12> shortMonths;
};

// Null for a locale whose dates only ICU lays out.
const Entry *find(QByteArrayView tag);

// Generated, sorted by tag.
extern const Entry entries[];
extern const std::size_t entryCount;

} // namespace MediumDateTable
