#pragma once

#include "BusyButton.h"

#include <QPalette>
#include <QSize>
#include <QString>

#include <QCoroTask>

#include <exception>
#include <optional>

class QFrame;
class QLabel;
class QLayout;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The form layout of the account screens and the first-patient screen: header, label-over-field groups in a
// fixed-width column, red captions, a prominent button bound to Return. Fonts and colours come from Theme;
// sizes are logical pixels.
namespace FormKit
{

inline constexpr int columnWidth = 280;
inline constexpr int groupSpacing = 12;
inline constexpr int fieldSpacing = 6;
// Room either side of a push button's title: what the style's minimum width gives a short title.
inline constexpr int buttonTitlePadding = 16;

// The width a push button needs to show `title` with that room either side.
int paddedButtonWidth(const QWidget *button, const QString &title);

// Large-title bold title over a subheadline subtitle in the secondary colour, centred, spacing 4.
// The labels are named "headerTitle" and "headerSubtitle".
QWidget *header(const QString &title, const QString &subtitle, QWidget *parent);

// The page of an account screen: the header 32 px below the top, the form column centred under it. The
// page is `size` wide and at least as tall; a long message makes it taller rather than squashing the form.
void layOutAccountPage(QWidget *screen, QSize size, const QString &title, const QString &subtitle, QWidget *form);

// A column exactly columnWidth wide whose layout stacks groups with groupSpacing.
QWidget *formColumn(QWidget *parent);
QVBoxLayout *columnLayout(QWidget *column);

// Subheadline label in the secondary colour over the field, spacing 6. The group's layout is a
// QVBoxLayout, so a caption may be added below the field.
QWidget *fieldGroup(const QString &label, QWidget *field, QWidget *parent);

// A caption in the caption font, plain text, word-wrapped, hidden while empty. errorCaption is red.
QLabel *caption(QWidget *parent);
QLabel *errorCaption(QWidget *parent);
void setCaptionText(QLabel *caption, const QString &text);
// A row that centres a caption columnWidth wide. Unlike an alignment flag, the row lets the layout measure
// the caption's wrapped height at that width, so every line of a long message gets its room.
QLayout *centredCaption(QLabel *caption);

// A plain one-pixel rule between a screen's parts, in the palette's `role` colour: a horizontal line between
// stacked parts, a vertical one between parts side by side.
QFrame *divider(QWidget *parent, QPalette::ColorRole role = QPalette::Mid,
                Qt::Orientation orientation = Qt::Horizontal);

// What a list or a detail shows while it has nothing: a centred symbol over a message, both in the secondary
// colour. The message label is named `messageName`.
QWidget *emptyState(const QString &symbol, int symbolSize, const QString &message, const QString &messageName,
                    QWidget *parent);

// Plain, word-wrapped text the user can select with the mouse and the keyboard.
QLabel *selectableText(const QString &text, QWidget *parent);

void setSecondary(QLabel *label);
// A flat, borderless button in the caption font and the link colour.
QPushButton *linkButton(const QString &title, QWidget *parent);

// Return and Enter pressed inside scope, and not handled by the focused child, click the button while it
// is enabled.
void bindReturn(QWidget *scope, QPushButton *button);

// Passwords are compared untrimmed, as canonically equivalent Unicode (NFC) texts.
bool passwordsMatch(const QString &password, const QString &confirmation);

// The user text of an error thrown by a service call.
QString errorDescription(const std::exception &error);

// Awaits one operation of a screen: the user text of its failure, or nullopt when it succeeded. (A failure
// may have an empty text: the service's message is shown as it came.)
template <typename T> QCoro::Task<std::optional<QString>> failureText(QCoro::Task<T> operation)
{
    try {
        co_await std::move(operation);
    } catch (const std::exception &error) {
        co_return errorDescription(error);
    }
    co_return std::nullopt;
}

} // namespace FormKit
