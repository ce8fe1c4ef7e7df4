#include "mainwindow/PatientsLoadFailedView.h"

#include "widgets/FormKit.h"
#include "widgets/Theme.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PatientsLoadFailedView::PatientsLoadFailedView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("patientsLoadFailedView"));
    setMinimumSize(600, 400);
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addStretch();
    auto *title = new QLabel(tr("Couldn't Load Your Patients"), this);
    title->setObjectName(QStringLiteral("loadFailedTitle"));
    title->setFont(Theme::title2Font());
    layout->addWidget(title, 0, Qt::AlignHCenter);
    m_error = FormKit::errorCaption(this);
    m_error->setObjectName(QStringLiteral("loadErrorLabel"));
    layout->addLayout(FormKit::centredCaption(m_error));
    auto *tryAgain = new QPushButton(tr("Try Again"), this);
    tryAgain->setObjectName(QStringLiteral("tryAgainButton"));
    layout->addWidget(tryAgain, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(tryAgain, &QPushButton::clicked, this, &PatientsLoadFailedView::tryAgainRequested);
}

void PatientsLoadFailedView::setErrorText(const QString &text)
{
    FormKit::setCaptionText(m_error, text);
}
