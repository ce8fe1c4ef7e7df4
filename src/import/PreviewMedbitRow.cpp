#include "PreviewMedbitRow.h"

#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include "ReviewTextField.h"

#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

constexpr int rowSymbolSize = 16;

// Every row shows the same few symbols: one pixmap each, shared, instead of one per row.
QIcon sharedIcon(const QString &symbol, const QColor &color)
{
    static QHash<QString, QIcon> icons;
    const QString key = symbol + QLatin1Char('/') + color.name(QColor::HexArgb);
    auto it = icons.find(key);
    if (it == icons.end())
        it = icons.insert(key, QIcon(SymbolIcons::tinted(symbol, rowSymbolSize, color)));
    return *it;
}

} // namespace

PreviewMedbitRow::PreviewMedbitRow(const PreviewMedbit &medbit, QWidget *parent) : QWidget(parent), m_medbit(medbit)
{
    setObjectName(QStringLiteral("previewMedbitRow-") + medbit.id);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 10, 20, 10);
    layout->setSpacing(12);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    m_translation = new ReviewTextField(tr("Translation"), this);
    m_entryText = new ReviewTextField(tr("Entry"), this);
    m_translation->setObjectName(QStringLiteral("translationEditor"));
    m_entryText->setObjectName(QStringLiteral("entryTextEditor"));
    m_translation->setPlainText(medbit.translated.value_or(QString()));
    m_entryText->setPlainText(medbit.entryText);
    m_date = new QLabel(this);
    m_date->setObjectName(QStringLiteral("entryDate"));
    m_date->setTextFormat(Qt::PlainText);
    m_date->setFont(Theme::captionFont());
    Theme::setTextColor(m_date, Theme::secondaryColor(this));
    texts->addWidget(m_translation);
    texts->addWidget(m_entryText);
    texts->addWidget(m_date);
    layout->addLayout(texts, 1);
    m_star = buildButton(QStringLiteral("starButton"), tr("Star"));
    m_lock = buildButton(QStringLiteral("lockButton"), tr("Lock"));
    m_delete = buildButton(QStringLiteral("deleteButton"), tr("Delete Entry"));
    m_delete->setIcon(sharedIcon(QStringLiteral("trash"), Theme::errorColor()));
    for (QToolButton *button : {m_star, m_lock, m_delete})
        layout->addWidget(button, 0, Qt::AlignTop);

    connect(m_entryText, &ReviewTextField::textEdited, this, &PreviewMedbitRow::onEntryTextEdited);
    connect(m_translation, &ReviewTextField::textEdited, this, &PreviewMedbitRow::onTranslationEdited);
    connect(m_star, &QToolButton::clicked, this, [this] {
        PreviewMedbit changed = m_medbit;
        changed.isStarred = !m_medbit.isStarred;
        Q_EMIT updated(changed);
    });
    connect(m_lock, &QToolButton::clicked, this, [this] {
        PreviewMedbit changed = m_medbit;
        changed.isLocked = !m_medbit.isLocked;
        Q_EMIT updated(changed);
    });
    connect(m_delete, &QToolButton::clicked, this, &PreviewMedbitRow::deleteRequested);
    refresh();
}

QToolButton *PreviewMedbitRow::buildButton(const QString &name, const QString &accessibleName)
{
    auto *button = new QToolButton(this);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setIconSize(QSize(rowSymbolSize, rowSymbolSize));
    return button;
}

QList<QWidget *> PreviewMedbitRow::tabStops() const
{
    QList<QWidget *> stops;
    for (QWidget *control : std::initializer_list<QWidget *>{m_translation, m_entryText, m_star, m_lock, m_delete})
        if (control->isVisibleTo(this))
            stops.append(control);
    return stops;
}

void PreviewMedbitRow::setMedbit(const PreviewMedbit &medbit)
{
    if (medbit == m_medbit)
        return;
    const bool translationChanged = medbit.translated != m_medbit.translated;
    m_medbit = medbit;
    if (translationChanged && m_translation->toPlainText() != medbit.translated.value_or(QString())) {
        // Text set from outside is not the user's edit: reporting it would undo an undone translation.
        const QSignalBlocker blocker(m_translation);
        m_translation->setObjectName(QStringLiteral("translationEditor"));
        m_entryText->setObjectName(QStringLiteral("entryTextEditor"));
        m_translation->setPlainText(medbit.translated.value_or(QString()));
    }
    refresh();
}

void PreviewMedbitRow::refresh()
{
    const bool translated = m_medbit.translated.has_value();
    if (m_showsTranslation != translated) {
        // Only on a change of look: restyling the editor the user types in would disturb the caret.
        m_showsTranslation = translated;
        m_translation->setVisible(translated);
        m_entryText->setFont(translated ? Theme::captionFont() : font());
        QPalette entryPalette = m_entryText->palette();
        entryPalette.setColor(QPalette::Text,
                              translated ? Theme::secondaryColor(this) : palette().color(QPalette::Text));
        m_entryText->setPalette(entryPalette);
    }
    m_date->setText(m_medbit.formattedDate());
    if (m_showsStarred == m_medbit.isStarred && m_showsLocked == m_medbit.isLocked)
        return;
    // A new icon lays the row out again: only when a flag changed, not on every keystroke.
    m_showsStarred = m_medbit.isStarred;
    m_showsLocked = m_medbit.isLocked;
    const QColor secondary = Theme::secondaryColor(this);
    m_star->setIcon(m_medbit.isStarred ? sharedIcon(QStringLiteral("star.fill"), Theme::starColor())
                                       : sharedIcon(QStringLiteral("star"), secondary));
    m_lock->setIcon(m_medbit.isLocked ? sharedIcon(QStringLiteral("lock.fill"), palette().color(QPalette::Highlight))
                                      : sharedIcon(QStringLiteral("lock"), secondary));
    // A screen reader hears whether each flag is on.
    m_star->setAccessibleDescription(m_medbit.isStarred ? tr("Active") : tr("Inactive"));
    m_lock->setAccessibleDescription(m_medbit.isLocked ? tr("Private") : tr("Not private"));
}

void PreviewMedbitRow::onEntryTextEdited()
{
    PreviewMedbit changed = m_medbit;
    changed.entryText = m_entryText->toPlainText();
    Q_EMIT updated(changed);
}

void PreviewMedbitRow::onTranslationEdited()
{
    if (!m_medbit.translated)
        return;
    PreviewMedbit changed = m_medbit;
    changed.translated = m_translation->toPlainText();
    Q_EMIT updated(changed);
}

// The divider under the row starts 20 px in from its leading edge.
void PreviewMedbitRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(20, height() - 1, width(), height() - 1);
}
