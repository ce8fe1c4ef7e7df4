#include "HealthStoryPanel.h"

#include "HealthStoryController.h"
#include "MarkdownAnswerLabel.h"

#include "records/DateText.h"
#include "widgets/BusyButton.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"
#include "window/WindowContext.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

constexpr int panelMinimumWidth = 350;
constexpr int emptySymbolSize = 40;

} // namespace

HealthStoryPanel::HealthStoryPanel(const WindowContext &context, QWidget *parent)
    : QWidget(parent), m_controller(new HealthStoryController(context.patientID, context.healthStoryWriter, this))
{
    setMinimumWidth(panelMinimumWidth);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeHeader());
    auto *divider = FormKit::divider(this);
    layout->addWidget(divider);
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("healthStoryError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setMargin(24);
    Theme::setTextColor(m_error, Theme::errorColor());
    layout->addWidget(m_error);
    m_pages = new QStackedWidget(this);
    m_storyPage = makeStoryPage();
    m_writingPage = makeWritingPage();
    m_emptyPage = makeEmptyPage();
    for (QWidget *page : {m_storyPage, m_writingPage, m_emptyPage})
        m_pages->addWidget(page);
    layout->addWidget(m_pages, 1);

    connect(m_controller, &HealthStoryController::storyChanged, this, &HealthStoryPanel::showState);
    connect(m_controller, &HealthStoryController::isGeneratingChanged, this, &HealthStoryPanel::showState);
    connect(m_controller, &HealthStoryController::errorMessageChanged, this, &HealthStoryPanel::showState);
    showState();
}

QWidget *HealthStoryPanel::makeHeader()
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(24, 16, 24, 12);
    auto *title = new QLabel(tr("Health Story"), header);
    QFont font = Theme::title2Font();
    font.setBold(true);
    title->setFont(font);
    row->addWidget(title);
    row->addStretch(1);
    m_refreshSpinner = new BusyIndicator(16, header);
    m_refreshSpinner->setObjectName(QStringLiteral("healthStoryRefreshSpinner"));
    m_refreshSpinner->setAccessibleName(tr("Writing a new health story"));
    row->addWidget(m_refreshSpinner);
    m_refreshButton = new QToolButton(header);
    m_refreshButton->setObjectName(QStringLiteral("healthStoryRefreshButton"));
    m_refreshButton->setAccessibleName(tr("Refresh Health Story"));
    m_refreshButton->setToolTip(tr("Refresh Health Story"));
    m_refreshButton->setAutoRaise(true);
    m_refreshButton->setIcon(SymbolIcons::icon(QStringLiteral("arrow.clockwise")));
    connect(m_refreshButton, &QToolButton::clicked, this, &HealthStoryPanel::generate);
    row->addWidget(m_refreshButton);
    return header;
}

QWidget *HealthStoryPanel::makeStoryPage()
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("healthStoryScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Only scrolls: the narrative takes the focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    auto *content = new QWidget(scroll);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(12);
    m_lastUpdated = new QLabel(content);
    m_lastUpdated->setObjectName(QStringLiteral("healthStoryLastUpdated"));
    m_lastUpdated->setTextFormat(Qt::PlainText);
    m_lastUpdated->setFont(Theme::captionFont());
    Theme::setTextColor(m_lastUpdated, Theme::secondaryColor(m_lastUpdated));
    column->addWidget(m_lastUpdated);
    m_narrative = new MarkdownAnswerLabel(content);
    m_narrative->setObjectName(QStringLiteral("healthStoryNarrative"));
    m_narrative->setAccessibleName(tr("Health Story"));
    column->addWidget(m_narrative);
    column->addStretch(1);
    scroll->setWidget(content);
    return scroll;
}

QWidget *HealthStoryPanel::makeWritingPage()
{
    auto *page = new QWidget(this);
    auto *column = new QVBoxLayout(page);
    column->addStretch(1);
    auto *spinner = new BusyIndicator(24, page);
    spinner->setAccessibleName(tr("Writing your health story"));
    column->addWidget(spinner, 0, Qt::AlignHCenter);
    auto *label = new QLabel(tr("Writing your health story…"), page);
    label->setObjectName(QStringLiteral("healthStoryWriting"));
    column->addWidget(label, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return page;
}

QWidget *HealthStoryPanel::makeEmptyPage()
{
    auto *page = new QWidget(this);
    auto *column = new QVBoxLayout(page);
    column->setSpacing(12);
    column->addStretch(1);
    const QColor secondary = Theme::secondaryColor(page);
    auto *symbol = new QLabel(page);
    symbol->setPixmap(
        SymbolIcons::tinted(QStringLiteral("heart.text.square"), emptySymbolSize, secondary, devicePixelRatioF()));
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    auto *text = new QLabel(tr("No health story yet."), page);
    text->setObjectName(QStringLiteral("healthStoryEmpty"));
    Theme::setTextColor(text, secondary);
    column->addWidget(text, 0, Qt::AlignHCenter);
    auto *generate = new BusyButton(tr("Generate Health Story"), page);
    generate->setObjectName(QStringLiteral("generateHealthStoryButton"));
    connect(generate, &QPushButton::clicked, this, &HealthStoryPanel::generate);
    column->addWidget(generate, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return page;
}

QString HealthStoryPanel::patientID() const
{
    return m_controller->patientID();
}

void HealthStoryPanel::generate()
{
    // The writing reports through the controller and survives the panel.
    m_controller->generate();
}

void HealthStoryPanel::showState()
{
    const std::optional<HealthStory> &story = m_controller->story();
    const bool generating = m_controller->isGenerating();
    // During a refresh the button stays, disabled, beside the spinner.
    m_refreshButton->setVisible(story.has_value());
    m_refreshButton->setEnabled(!generating);
    m_refreshSpinner->setVisible(story.has_value() && generating);
    const std::optional<QString> &error = m_controller->errorMessage();
    m_error->setVisible(error.has_value());
    m_error->setText(error.value_or(QString()));
    if (story) {
        m_lastUpdated->setText(tr("Last updated %1").arg(DateText::dateTime(story->generatedAt)));
        m_narrative->setMarkdown(story->narrative);
        m_pages->setCurrentWidget(m_storyPage);
    } else {
        m_pages->setCurrentWidget(generating ? m_writingPage : m_emptyPage);
    }
}
