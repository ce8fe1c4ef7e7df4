#include "FormKit.h"

#include "net/APIError.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace FormKit
{

namespace
{

QFont fontOfSize(int pixelSize, bool bold = false)
{
    QFont font;
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

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

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette colours = widget->palette();
    colours.setColor(QPalette::WindowText, color);
    colours.setColor(QPalette::ButtonText, color);
    widget->setPalette(colours);
}

} // namespace

QFont largeTitleFont()
{
    return fontOfSize(26, true);
}

QFont title2Font()
{
    return fontOfSize(17, true);
}

QFont headlineFont()
{
    return fontOfSize(13, true);
}

QFont subheadlineFont()
{
    return fontOfSize(11);
}

QFont captionFont()
{
    return fontOfSize(10);
}

QFont systemFont(int size, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(size);
    font.setWeight(weight);
    return font;
}

QColor secondaryColor(const QWidget *widget)
{
    return widget->palette().color(QPalette::PlaceholderText);
}

QColor errorColor()
{
    return QColor(0xd7, 0x30, 0x27);
}

QColor linkColor()
{
    return QColor(0x0a, 0x64, 0xd8);
}

QWidget *header(const QString &title, const QString &subtitle, QWidget *parent)
{
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *titleLabel = new QLabel(title, box);
    titleLabel->setObjectName(QStringLiteral("headerTitle"));
    titleLabel->setFont(largeTitleFont());
    titleLabel->setAlignment(Qt::AlignCenter);
    auto *subtitleLabel = new QLabel(subtitle, box);
    subtitleLabel->setObjectName(QStringLiteral("headerSubtitle"));
    subtitleLabel->setFont(subheadlineFont());
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
    title->setFont(subheadlineFont());
    setSecondary(title);
    title->setBuddy(field);
    field->setMinimumHeight(24);
    layout->addWidget(title);
    layout->addWidget(field);
    return group;
}

QLabel *caption(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(captionFont());
    label->setWordWrap(true);
    label->hide();
    return label;
}

QLabel *errorCaption(QWidget *parent)
{
    auto *label = caption(parent);
    setTextColor(label, errorColor());
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
    setTextColor(label, secondaryColor(label));
}

QPushButton *linkButton(const QString &title, QWidget *parent)
{
    auto *button = new QPushButton(title, parent);
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(captionFont());
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0px; text-align: left; color: %1; }")
                              .arg(linkColor().name()));
    setTextColor(button, linkColor());
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
    return APIError::decodingFailed().description();
}

} // namespace FormKit
