#include "AskTurnRow.h"

#include "AskTurn.h"
#include "MarkdownAnswerLabel.h"

#include "records/DateText.h"
#include "widgets/BusyIndicator.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace
{

QLabel *captionLabel(const QString &name, const QFont &font, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    Theme::setTextColor(label, Theme::secondaryColor(label));
    return label;
}

// A question's bubble is as wide as its longest line; narrower than that, it wraps.
class QuestionBubbleLabel final : public QLabel
{
public:
    using QLabel::QLabel;

    QSize sizeHint() const override
    {
        const QRect lines =
            fontMetrics().boundingRect(QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), Qt::TextExpandTabs, text());
        const int width = lines.width() + 2 * (margin() + frameWidth()) + 2;
        return {width, heightForWidth(width)};
    }
};

QFont caption2Font()
{
    QFont font = Theme::captionFont();
    font.setPixelSize(std::max(1, font.pixelSize() - 1));
    return font;
}

} // namespace

AskTurnRow::AskTurnRow(const AskTurn &turn, QWidget *parent) : QWidget(parent), m_isQuestion(turn.isQuestion())
{
    setObjectName(m_isQuestion ? QStringLiteral("questionTurn") : QStringLiteral("answerTurn"));
    if (m_isQuestion)
        buildQuestion();
    else
        buildAnswer();
    setTurn(turn);
}

void AskTurnRow::buildQuestion()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_bubble = new QuestionBubbleLabel(this);
    m_bubble->setObjectName(QStringLiteral("questionBubble"));
    m_bubble->setTextFormat(Qt::PlainText);
    m_bubble->setWordWrap(true);
    m_bubble->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_bubble->setMargin(12);
    m_bubble->setStyleSheet(QStringLiteral("QLabel { background: palette(base); border-radius: 12px; }"));
    // Not aligned in the column: an aligned label loses its height for a wrapped width.
    auto *bubbleRow = new QHBoxLayout;
    bubbleRow->addStretch(1);
    bubbleRow->addWidget(m_bubble);
    layout->addLayout(bubbleRow);
    m_time = captionLabel(QStringLiteral("questionTime"), caption2Font(), this);
    layout->addWidget(m_time, 0, Qt::AlignRight);
}

void AskTurnRow::buildAnswer()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_spinner = new BusyIndicator(16, this);
    m_spinner->setObjectName(QStringLiteral("answerSpinner"));
    layout->addWidget(m_spinner, 0, Qt::AlignLeft);
    m_answer = new MarkdownAnswerLabel(this);
    m_answer->setObjectName(QStringLiteral("answerText"));
    layout->addWidget(m_answer);
    m_usedRecords = captionLabel(QStringLiteral("usedRecordsLabel"), Theme::captionFont(), this);
    layout->addWidget(m_usedRecords);
}

void AskTurnRow::setTurn(const AskTurn &turn)
{
    if (m_isQuestion) {
        m_bubble->setText(turn.content);
        m_time->setText(DateText::dateTime(turn.date));
        return;
    }
    const bool waiting = !turn.isError && turn.content.isEmpty() && turn.isStreaming;
    m_spinner->setVisible(waiting);
    m_answer->setVisible(!waiting);
    if (turn.isError)
        m_answer->setErrorText(turn.content);
    else if (!waiting)
        m_answer->setMarkdown(turn.content);
    const qsizetype used = turn.usedMedbits.size();
    m_usedRecords->setVisible(!turn.isError && !waiting && used > 0);
    m_usedRecords->setText(used == 1 ? tr("Based on 1 record from your timeline")
                                     : tr("Based on %1 records from your timeline").arg(used));
}
