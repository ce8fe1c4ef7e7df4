#include "ReviewSectionBlock.h"

#include "DocumentImportReview.h"
#include "PreviewMedbitRow.h"

#include "records/CategoryColors.h"
#include "records/CategoryOption.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace
{

struct SectionLook {
    QString badge;
    QString title;
    QColor color;
};

SectionLook lookOf(const QString &tag)
{
    const QList<CategoryOption> &all = CategoryOption::all();
    const auto it = std::find_if(all.cbegin(), all.cend(), [&tag](const CategoryOption &o) { return o.code == tag; });
    if (it == all.cend())
        return {tag.toUpper(), tag.toUpper(), categoryColorOther()};
    return {it->initials, it->label, it->color};
}

constexpr QSize badgeSize(32, 22);
constexpr int rowsPerChunk = 20;

// The category's initials in white bold on its colour, in a rounded box.
QPixmap badgePixmap(const SectionLook &look, qreal devicePixelRatio)
{
    QPixmap pixmap(badgeSize * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath box;
    box.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(badgeSize)), 4, 4);
    painter.fillPath(box, look.color);
    painter.setFont(Theme::systemFont(10, QFont::Bold));
    painter.setPen(Qt::white);
    painter.drawText(QRect(QPoint(0, 0), badgeSize), Qt::AlignCenter, look.badge);
    return pixmap;
}

QLabel *plainLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

ReviewSectionBlock::ReviewSectionBlock(const QString &tag, DocumentImportReview *review, QWidget *parent)
    : QWidget(parent), m_tag(tag), m_review(review)
{
    setObjectName(QStringLiteral("reviewSection-") + tag);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    m_rowsBox = new QWidget(this);
    m_rowsLayout = new QVBoxLayout(m_rowsBox);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    layout->addWidget(m_rowsBox);
    layout->addWidget(FormKit::divider(this));
    refreshHeader();
    refreshChevron();
}

QPushButton *ReviewSectionBlock::buildHeader()
{
    const SectionLook look = lookOf(m_tag);
    m_header = new QPushButton(this);
    m_header->setObjectName(QStringLiteral("sectionHeader"));
    m_header->setFlat(true);
    m_header->setAutoDefault(false);
    m_header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *row = new QHBoxLayout(m_header);
    row->setContentsMargins(20, 12, 20, 12);
    QLabel *badge = plainLabel(QStringLiteral("sectionBadge"), m_header);
    badge->setFixedSize(badgeSize);
    badge->setPixmap(badgePixmap(look, devicePixelRatioF()));
    m_title = plainLabel(QStringLiteral("sectionTitle"), m_header);
    m_title->setText(look.title);
    m_title->setFont(Theme::headlineFont());
    m_spinner = new BusyIndicator(14, m_header);
    m_spinner->setObjectName(QStringLiteral("sectionSpinner"));
    m_count = plainLabel(QStringLiteral("sectionCount"), m_header);
    m_count->setFont(Theme::captionFont());
    Theme::setTextColor(m_count, Theme::secondaryColor(this));
    m_chevron = plainLabel(QStringLiteral("sectionChevron"), m_header);
    for (QWidget *part : std::initializer_list<QWidget *>{badge, m_title, m_spinner, m_count})
        row->addWidget(part);
    row->addStretch(1);
    row->addWidget(m_chevron);
    m_header->setMinimumHeight(row->sizeHint().height());
    connect(m_header, &QPushButton::clicked, this, &ReviewSectionBlock::toggleCollapsed);
    return m_header;
}

void ReviewSectionBlock::setSection(const TaggedPreviewMedbits &section)
{
    if (section == m_section)
        return;
    m_section = section;
    syncRows(section.medbits);
    refreshHeader();
}

void ReviewSectionBlock::toggleCollapsed()
{
    m_isCollapsed = !m_isCollapsed;
    m_rowsBox->setVisible(!m_isCollapsed);
    refreshHeader();
    refreshChevron();
}

// Walks the built rows against the entries in order: a row already showing the entry is updated, rows of
// entries that are gone are removed, and a new entry among them gets a new row at its place. Entries
// past the built rows wait for buildNextRow().
void ReviewSectionBlock::syncRows(const QList<PreviewMedbit> &medbits)
{
    for (qsizetype index = 0; index < medbits.size() && index < m_rows.size(); ++index) {
        const PreviewMedbit &medbit = medbits.at(index);
        const auto match = std::find_if(m_rows.begin() + index, m_rows.end(),
                                        [&medbit](PreviewMedbitRow *row) { return row->medbit().id == medbit.id; });
        if (match == m_rows.end()) {
            insertRow(index, medbit);
            continue;
        }
        for (auto gone = m_rows.begin() + index; gone != match; ++gone)
            discard(*gone);
        const auto kept = m_rows.erase(m_rows.begin() + index, match);
        (*kept)->setMedbit(medbit);
    }
    for (qsizetype index = medbits.size(); index < m_rows.size(); ++index)
        discard(m_rows.at(index));
    if (m_rows.size() > medbits.size())
        m_rows.resize(medbits.size());
}

void ReviewSectionBlock::buildNextRow()
{
    if (pendingRows() > 0)
        insertRow(m_rows.size(), m_section.medbits.at(m_rows.size()));
}

QList<ReviewTabStop> ReviewSectionBlock::tabStops()
{
    QList<ReviewTabStop> stops;
    if (m_header->isEnabled())
        stops.append({m_header, this});
    if (m_isCollapsed)
        return stops;
    for (PreviewMedbitRow *row : std::as_const(m_rows))
        for (QWidget *control : row->tabStops())
            stops.append({control, this});
    for (qsizetype row = m_rows.size(); row < m_section.medbits.size(); ++row)
        stops.append({nullptr, this, row});
    return stops;
}

QWidget *ReviewSectionBlock::reach(qsizetype row, bool first)
{
    while (m_rows.size() <= row && pendingRows() > 0)
        buildNextRow();
    showBuiltRows();
    if (row >= m_rows.size())
        return nullptr;
    const QList<QWidget *> controls = m_rows.at(row)->tabStops();
    return first ? controls.first() : controls.last();
}

// Gone from the layout at once; deleted later, since the row may be signalling its own delete button.
void ReviewSectionBlock::discard(PreviewMedbitRow *row)
{
    QWidget *chunk = row->parentWidget();
    chunk->layout()->removeWidget(row);
    row->hide();
    row->deleteLater();
    if (chunk->layout()->isEmpty()) {
        m_rowsLayout->removeWidget(chunk);
        chunk->hide();
        chunk->deleteLater();
    }
}

// Rows stand in chunks of a few, and a chunk is shown once it is filled: showing a widget lays out every
// layout above it at once, so rows shown one by one into hundreds would each cost more than the last.
QVBoxLayout *ReviewSectionBlock::chunkFor(qsizetype index)
{
    if (index < m_rows.size())
        return static_cast<QVBoxLayout *>(m_rows.at(index)->parentWidget()->layout());
    QWidget *last = m_rowsLayout->isEmpty() ? nullptr : m_rowsLayout->itemAt(m_rowsLayout->count() - 1)->widget();
    if (last && last->isHidden() && last->layout()->count() < rowsPerChunk)
        return static_cast<QVBoxLayout *>(last->layout());
    auto *chunk = new QWidget(m_rowsBox);
    chunk->setObjectName(QStringLiteral("rowChunk"));
    chunk->hide();
    auto *rows = new QVBoxLayout(chunk);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    m_rowsLayout->addWidget(chunk);
    return rows;
}

void ReviewSectionBlock::showBuiltRows()
{
    for (int index = 0; index < m_rowsLayout->count(); ++index)
        if (QWidget *chunk = m_rowsLayout->itemAt(index)->widget(); chunk->isHidden())
            chunk->show();
}

// Shown with its chunk: at once among rows already shown, else when the chunk shows.
void ReviewSectionBlock::insertRow(qsizetype index, const PreviewMedbit &medbit)
{
    QVBoxLayout *chunk = chunkFor(index);
    auto *row = new PreviewMedbitRow(medbit, chunk->parentWidget());
    const QString id = medbit.id;
    connect(row, &PreviewMedbitRow::updated, this,
            [this](const PreviewMedbit &changed) { m_review->updateMedbit(m_tag, changed); });
    connect(row, &PreviewMedbitRow::deleteRequested, this, [this, id] { m_review->deleteMedbit(m_tag, id); });
    const int place = index < m_rows.size() ? chunk->indexOf(m_rows.at(index)) : chunk->count();
    m_rows.insert(index, row);
    chunk->insertWidget(place, row);
    row->show();
}

void ReviewSectionBlock::refreshHeader()
{
    const qsizetype count = m_section.medbits.size();
    // The count is never hidden but empty while loading: showing a widget inside the visible sheet lays out
    // the whole list at once, hiding one does not.
    m_spinner->setVisible(m_section.isLoading);
    m_count->setText(m_section.isLoading ? QString() : QString::number(count));
    m_header->setEnabled(count > 0 || m_section.isLoading);
    // Without a translation loaded, "%n" leaves the plural to the English text: one is written out.
    const QString title = m_title->text();
    const QString counted = count == 1 ? tr("%1, 1 entry").arg(title) : tr("%1, %2 entries").arg(title).arg(count);
    m_header->setAccessibleName(m_section.isLoading ? title : counted);
}

// A new pixmap lays the section out again: only when it opens or closes, not with every edit of a row.
void ReviewSectionBlock::refreshChevron()
{
    const QString chevron = m_isCollapsed ? QStringLiteral("chevron.right") : QStringLiteral("chevron.down");
    m_chevron->setPixmap(SymbolIcons::tinted(chevron, 12, Theme::secondaryColor(this)));
}
