#include "OnboardingImportChoiceView.h"

#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QLabel *cardLabel(const QString &text, const QFont &font, QWidget *card)
{
    auto *label = new QLabel(text, card);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// A large clickable card: symbol, title and a short explanation.
QPushButton *choiceCard(const QString &symbol, const QString &title, const QString &subtitle, QWidget *parent)
{
    auto *card = new QPushButton(parent);
    card->setAccessibleName(title);
    card->setAccessibleDescription(subtitle);
    card->setAutoDefault(false);
    card->setFixedSize(210, 150);
    card->setCursor(Qt::PointingHandCursor);
    auto *layout = new QVBoxLayout(card);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(8);
    auto *icon = new QLabel(card);
    icon->setPixmap(SymbolIcons::tinted(symbol, 28, Theme::linkColor(), parent->devicePixelRatioF()));
    icon->setAlignment(Qt::AlignHCenter);
    icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addStretch();
    layout->addWidget(icon);
    layout->addWidget(cardLabel(title, Theme::headlineFont(), card));
    QLabel *explanation = cardLabel(subtitle, Theme::captionFont(), card);
    FormKit::setSecondary(explanation);
    layout->addWidget(explanation);
    layout->addStretch();
    return card;
}

} // namespace

OnboardingImportChoiceView::OnboardingImportChoiceView(const QString &patientName, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("onboardingImportChoiceView"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(520);
    setMinimumHeight(320);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(24);
    // A long name wraps the title, and the sheet grows to show it.
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    const QString titleText = tr("Add %1’s health information").arg(patientName);
    setWindowTitle(titleText);
    setAccessibleName(titleText);
    auto *title = new QLabel(titleText, this);
    title->setObjectName(QStringLiteral("choiceTitle"));
    title->setTextFormat(Qt::PlainText);
    title->setFont(Theme::title2Font());
    title->setAlignment(Qt::AlignHCenter);
    title->setWordWrap(true);
    auto *subtitle = new QLabel(tr("You can always add more later."), this);
    subtitle->setObjectName(QStringLiteral("choiceSubtitle"));
    subtitle->setFont(Theme::subheadlineFont());
    subtitle->setAlignment(Qt::AlignHCenter);
    FormKit::setSecondary(subtitle);
    auto *header = new QVBoxLayout;
    header->setSpacing(4);
    header->addWidget(title);
    header->addWidget(subtitle);
    layout->addLayout(header);

    QPushButton *import = choiceCard(QStringLiteral("tray.and.arrow.down.fill"), tr("Import Documents"),
                                     tr("Upload PDFs or photos and we’ll extract entries automatically."), this);
    import->setObjectName(QStringLiteral("importChoiceCard"));
    QPushButton *manual = choiceCard(QStringLiteral("square.and.pencil"), tr("Enter Manually"),
                                     tr("Start with a blank timeline and add entries yourself."), this);
    manual->setObjectName(QStringLiteral("manualChoiceCard"));
    auto *cards = new QHBoxLayout;
    cards->setSpacing(16);
    cards->addWidget(import, 0, Qt::AlignVCenter);
    cards->addWidget(manual, 0, Qt::AlignVCenter);
    layout->addLayout(cards);

    connect(import, &QPushButton::clicked, this, &OnboardingImportChoiceView::importChosen);
    connect(manual, &QPushButton::clicked, this, &OnboardingImportChoiceView::manualChosen);
}

void OnboardingImportChoiceView::reject()
{
    // Escape does not close the sheet: one of the two choices does.
}

void OnboardingImportChoiceView::closeEvent(QCloseEvent *event)
{
    // The user's close is refused; the application's own (quitting) goes through.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
