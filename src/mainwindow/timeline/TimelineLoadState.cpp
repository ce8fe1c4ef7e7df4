#include "mainwindow/timeline/TimelineLoadState.h"

#include "records/MedbitStore.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TimelineLoadState::TimelineLoadState(MedbitStore *store, QWidget *parent) : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("timelineLoadState"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addStretch();
    m_progress = new BusyIndicator(24, this);
    m_progress->setObjectName(QStringLiteral("timelineLoadingIndicator"));
    m_progress->setAccessibleName(tr("Loading"));
    layout->addWidget(m_progress, 0, Qt::AlignHCenter);

    m_failure = new QWidget(this);
    auto *failure = new QVBoxLayout(m_failure);
    failure->setContentsMargins(0, 0, 0, 0);
    failure->setSpacing(12);
    m_error = FormKit::errorCaption(m_failure);
    m_error->setObjectName(QStringLiteral("timelineLoadError"));
    m_error->setAlignment(Qt::AlignHCenter);
    failure->addWidget(m_error);
    auto *tryAgain = new QPushButton(tr("Try Again"), m_failure);
    tryAgain->setObjectName(QStringLiteral("timelineTryAgainButton"));
    failure->addWidget(tryAgain, 0, Qt::AlignHCenter);
    layout->addWidget(m_failure);
    m_empty = FormKit::emptyState(QStringLiteral("square.and.pencil"), 28,
                                  tr("No entries yet. Add one with New Entry, or use Import Document."),
                                  QStringLiteral("timelineEmptyText"), this);
    layout->addWidget(m_empty);
    layout->addStretch();

    connect(tryAgain, &QPushButton::clicked, store, &MedbitStore::loadMedbits);
    connect(store, &MedbitStore::isLoadingChanged, this, &TimelineLoadState::update);
    connect(store, &MedbitStore::lastErrorChanged, this, &TimelineLoadState::update);
    connect(store, &MedbitStore::medbitsChanged, this, &TimelineLoadState::update);
    update();
}

bool TimelineLoadState::isShown() const
{
    return m_shown;
}

void TimelineLoadState::update()
{
    const bool empty = m_store->medbits().isEmpty();
    const bool loading = empty && m_store->isLoading();
    const bool failed = empty && !loading && m_store->lastError().has_value();
    // A patient without entries yet, loaded: say so, and how to add the first.
    const bool none = empty && !loading && !failed && !m_store->patientID().isEmpty();
    m_progress->setVisible(loading);
    m_failure->setVisible(failed);
    m_empty->setVisible(none);
    FormKit::setCaptionText(m_error, failed ? *m_store->lastError() : QString());
    const bool shown = loading || failed || none;
    setVisible(shown);
    if (m_shown == shown)
        return;
    m_shown = shown;
    Q_EMIT shownChanged(m_shown);
}
