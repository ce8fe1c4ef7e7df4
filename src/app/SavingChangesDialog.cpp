#include "SavingChangesDialog.h"

#include "widgets/FormKit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SavingChangesDialog::SavingChangesDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("savingChangesDialog"));
    setWindowTitle(tr("Saving Changes"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(12);
    m_text = new QLabel(tr("Saving changes…"), this);
    m_text->setObjectName(QStringLiteral("savingChangesText"));
    m_text->setTextFormat(Qt::PlainText);
    m_error = FormKit::errorCaption(this);
    m_error->setObjectName(QStringLiteral("savingChangesError"));
    m_error->setMinimumWidth(FormKit::columnWidth);
    layout->addWidget(m_text);
    layout->addWidget(m_error);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelQuitButton"));
    auto *quitNow = new QPushButton(tr("Quit Now"), this);
    quitNow->setObjectName(QStringLiteral("quitNowButton"));
    // Return must not leave the changes by accident.
    for (QPushButton *button : {cancel, quitNow}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(quitNow, &QPushButton::clicked, this, [this] {
        Q_EMIT quitNowChosen();
        close();
    });
}

void SavingChangesDialog::showFailure(const QString &description)
{
    m_text->setText(tr("A change could not be saved, so Vantorelle did not quit."));
    FormKit::setCaptionText(m_error, description);
}
