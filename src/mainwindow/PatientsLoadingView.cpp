#include "mainwindow/PatientsLoadingView.h"

#include "widgets/BusyIndicator.h"

#include <QLabel>
#include <QVBoxLayout>

PatientsLoadingView::PatientsLoadingView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("loadingScreen"));
    setMinimumSize(600, 400);
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(new BusyIndicator(24, this), 0, Qt::AlignHCenter);
    auto *label = new QLabel(tr("Loading your patients…"), this);
    label->setObjectName(QStringLiteral("loadingLabel"));
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addStretch();
}
