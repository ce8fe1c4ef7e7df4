#include "FormKit.h"

#include "SymbolIcons.h"
#include "Theme.h"
#include "net/APIError.h"
#include "net/ChangeFailure.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace FormKit
{

namespace
{

// Return and Enter that a child leaves unhandled (a line edit does) travel up to the scope and press the
// button. Unlike a widget-with-children shortcut, this never takes the key from a sheet over the scope.
class ReturnKeyFilter final : public QObject
{
public:
    ReturnKeyFilter(QPushButton *button, QObject *parent) : QObject(parent), m_button(button) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        if (m_button->isEnabled())
            m_button->click();
        return true;
    }

private:
    QPushButton *m_button = nullptr;
};

} // namespace

QWidget *header(const QString &title, const QString &subtitle, QWidget *parent)
{
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *titleLabel = new QLabel(title, box);
    titleLabel->setObjectName(QStringLiteral("headerTitle"));
    titleLabel->setFont(Theme::largeTitleFont());
    titleLabel->setAlignment(Qt::AlignCenter);
    auto *subtitleLabel = new QLabel(subtitle, box);
    subtitleLabel->setObjectName(QStringLiteral("headerSubtitle"));
    subtitleLabel->setFont(Theme::subheadlineFont());
    subtitleLabel->setAlignment(Qt::AlignCenter);
    setSecondary(subtitleLabel);
    layout->addWidget(titleLabel);
    layout->addWidget(subtitleLabel);
    return box;
}

void layOutAccountPage(QWidget *screen, QSize size, const QString &title, const QString &subtitle, QWidget *form)
{
    screen->setFixedWidth(size.width());
    auto *page = new QHBoxLayout(screen);
    page->setContentsMargins(0, 0, 0, 0);
    page->addStrut(size.height());
    auto *layout = new QVBoxLayout;
    page->addLayout(layout);
    layout->setContentsMargins(0, 32, 0, 0);
    layout->setSpacing(20);
    layout->addWidget(header(title, subtitle, screen));
    layout->addWidget(form, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}

QWidget *formColumn(QWidget *parent)
{
    auto *column = new QWidget(parent);
    column->setFixedWidth(columnWidth);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(groupSpacing);
    return column;
}

QVBoxLayout *columnLayout(QWidget *column)
{
    return qobject_cast<QVBoxLayout *>(column->layout());
}

QWidget *fieldGroup(const QString &label, QWidget *field, QWidget *parent)
{
    auto *group = new QWidget(parent);
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(fieldSpacing);
    auto *title = new QLabel(label, group);
    title->setFont(Theme::subheadlineFont());
    setSecondary(title);
    title->setBuddy(field);
    field->setMinimumHeight(24);
    layout->addWidget(title);
    layout->addWidget(field);
    return group;
}

QFrame *divider(QWidget *parent, QPalette::ColorRole role, Qt::Orientation orientation)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(role);
    return line;
}

int paddedButtonWidth(const QWidget *button, const QString &title)
{
    return button->fontMetrics().horizontalAdvance(title) + 2 * buttonTitlePadding;
}

QWidget *emptyState(const QString &symbol, int symbolSize, const QString &message, const QString &messageName,
                    QWidget *parent)
{
    auto *empty = new QWidget(parent);
    auto *layout = new QVBoxLayout(empty);
    layout->setSpacing(8);
    const QColor secondary = Theme::secondaryColor(parent);
    auto *image = new QLabel(empty);
    image->setPixmap(SymbolIcons::tinted(symbol, symbolSize, secondary, parent->devicePixelRatioF()));
    image->setAlignment(Qt::AlignCenter);
    auto *text = new QLabel(message, empty);
    text->setObjectName(messageName);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    Theme::setTextColor(text, secondary);
    layout->addStretch(1);
    layout->addWidget(image);
    layout->addWidget(text);
    layout->addStretch(1);
    return empty;
}

QLabel *caption(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(Theme::captionFont());
    label->setWordWrap(true);
    label->hide();
    return label;
}

QLabel *errorCaption(QWidget *parent)
{
    auto *label = caption(parent);
    Theme::setTextColor(label, Theme::errorColor());
    return label;
}

void setCaptionText(QLabel *caption, const QString &text)
{
    caption->setText(text);
    caption->setVisible(!text.isEmpty());
}

QLayout *centredCaption(QLabel *caption)
{
    caption->setAlignment(Qt::AlignHCenter);
    caption->setFixedWidth(columnWidth);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(caption);
    row->addStretch(1);
    return row;
}

QLabel *selectableText(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

void setSecondary(QLabel *label)
{
    Theme::setTextColor(label, Theme::secondaryColor(label));
}

QPushButton *linkButton(const QString &title, QWidget *parent)
{
    auto *button = new QPushButton(title, parent);
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(Theme::captionFont());
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0px; text-align: left; color: %1; }")
                              .arg(Theme::linkColor().name()));
    Theme::setTextColor(button, Theme::linkColor());
    return button;
}

void bindReturn(QWidget *scope, QPushButton *button)
{
    scope->installEventFilter(new ReturnKeyFilter(button, scope));
}

bool passwordsMatch(const QString &password, const QString &confirmation)
{
    return password.normalized(QString::NormalizationForm_C) == confirmation.normalized(QString::NormalizationForm_C);
}

QString errorDescription(const std::exception &error)
{
    if (const auto *apiError = dynamic_cast<const APIError *>(&error))
        return apiError->description();
    if (const auto *changeFailure = dynamic_cast<const ChangeFailure *>(&error))
        return changeFailure->description();
    return APIError::decodingFailed().description();
}

} // namespace FormKit
