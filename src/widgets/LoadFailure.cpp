#include "LoadFailure.h"

#include "FormKit.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

LoadFailure::LoadFailure(const QString &what, const QString &name, QWidget *parent) : QWidget(parent)
{
    setObjectName(name);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 12, 24, 12);
    column->setSpacing(4);
    auto *title = new QLabel(what, this);
    title->setObjectName(name + QStringLiteral("Title"));
    title->setTextFormat(Qt::PlainText);
    title->setWordWrap(true);
    column->addWidget(title);
    m_error = FormKit::errorCaption(this);
    m_error->setObjectName(name + QStringLiteral("Error"));
    column->addWidget(m_error);
    QPushButton *again = FormKit::linkButton(tr("Try Again"), this);
    again->setObjectName(name + QStringLiteral("RetryButton"));
    connect(again, &QPushButton::clicked, this, &LoadFailure::tryAgainRequested);
    column->addWidget(again, 0, Qt::AlignLeft);
    hide();
}

void LoadFailure::showError(const std::optional<QString> &error)
{
    FormKit::setCaptionText(m_error, error.value_or(QString()));
    setVisible(error.has_value());
}
