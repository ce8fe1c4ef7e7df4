#pragma once

#include <QString>
#include <QStringList>

struct Medbit;

// The texts of one timeline row.
namespace TimelineRowText
{

// The translation when the entry has one (even an empty one), else its text. The texts are the entry's own,
// not copies: laying out thousands of rows reads their lengths for each of them.
const QString &mainText(const Medbit &medbit);
// The untranslated text, shown under a translation only; null for an entry without one.
const QString *untranslatedText(const Medbit &medbit);
// "Starred", "Locked", "Has attachment", for the marks that apply, in that order.
QStringList markNames(const Medbit &medbit);
// The category initials in tag order, joined with ", ".
QString initials(const Medbit &medbit);
// The initials, the middle dot and the date.
QString footer(const Medbit &medbit);

} // namespace TimelineRowText
