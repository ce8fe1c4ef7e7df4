#include "SettingsView.h"

#include "ChangePasswordSheet.h"
#include "SettingsPatientsPanel.h"
#include "net/AuthManager.h"
#include "platform/UrlOpener.h"
#include "widgets/FormKit.h"
#include "widgets/ScreenAction.h"
#include "widgets/Theme.h"

#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

const QString SettingsView::supportEmail = QStringLiteral("support@vantorelle.app");
const QString SettingsView::feedbackEmail = QStringLiteral("feedback@vantorelle.app");
const QUrl SettingsView::privacyPolicyURL = QUrl(QStringLiteral("https://vantorelle.app/privacy"));

namespace
{

QWidget *section(const QString &title, QWidget *parent)
{
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto *label = new QLabel(title, box);
    label->setFont(Theme::headlineFont());
    layout->addWidget(label);
    return box;
}

} // namespace

SettingsView::SettingsView(AuthManager *authManager, PatientStore *patientStore, QWidget *parent)
    : QWidget(parent), m_authManager(authManager), m_signingOut(new ScreenAction(this)), m_scroll(new QScrollArea(this))
{
    setObjectName(QStringLiteral("settingsView"));
    setWindowTitle(tr("Settings"));
    m_scroll->setObjectName(QStringLiteral("settingsScrollArea"));
    // The scroll area takes focus to scroll by keyboard; it reads as the window it fills.
    m_scroll->setAccessibleName(windowTitle());
    m_scroll->setWidgetResizable(true);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFixedWidth(460);
    m_scroll->setMinimumHeight(520);
    m_scroll->setMaximumHeight(680);

    auto *content = new QWidget(m_scroll);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(24);
    layout->addWidget(buildAccountSection());
    layout->addWidget(FormKit::divider(content));
    layout->addWidget(new SettingsPatientsPanel(patientStore, content));
    layout->addWidget(FormKit::divider(content));
    layout->addWidget(buildSupportSection());
    layout->addStretch();
    m_scroll->setWidget(content);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);
    outer->setSizeConstraint(QLayout::SetMinAndMaxSize);

    connect(authManager, &AuthManager::currentUserChanged, this, &SettingsView::refreshAccount);
    connect(authManager, &AuthManager::isAuthenticatedChanged, this, &SettingsView::closeOnSignOut);
    refreshAccount();
    // The keys that close a preferences window on this desktop.
    for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
}

QSize SettingsView::sizeHint() const
{
    const QWidget *content = m_scroll->widget();
    const int frames = 2 * m_scroll->frameWidth();
    int needed = frames + (content->hasHeightForWidth() ? content->heightForWidth(m_scroll->width() - frames)
                                                        : content->sizeHint().height());
    if (const QScreen *shown = screen())
        needed = std::min(needed, shown->availableGeometry().height());
    return QSize(m_scroll->width(), std::clamp(needed, m_scroll->minimumHeight(), m_scroll->maximumHeight()));
}

// Qt opens a window at most two thirds of the screen high, which would leave the last lines scrolled away.
void SettingsView::showEvent(QShowEvent *event)
{
    if (!m_openedOnce && !event->spontaneous()) {
        m_openedOnce = true;
        resize(sizeHint());
    }
    QWidget::showEvent(event);
}

QWidget *SettingsView::buildAccountSection()
{
    QWidget *box = section(tr("Account"), this);
    auto *layout = static_cast<QVBoxLayout *>(box->layout());
    auto *lines = new QVBoxLayout;
    lines->setSpacing(2);
    m_name = new QLabel(box);
    m_name->setObjectName(QStringLiteral("accountName"));
    m_name->setTextFormat(Qt::PlainText);
    m_email = new QLabel(box);
    m_email->setObjectName(QStringLiteral("accountEmail"));
    m_email->setTextFormat(Qt::PlainText);
    m_email->setFont(Theme::captionFont());
    FormKit::setSecondary(m_email);
    lines->addWidget(m_name);
    lines->addWidget(m_email);
    layout->addLayout(lines);

    auto *changePassword = new QPushButton(tr("Change Password"), box);
    changePassword->setObjectName(QStringLiteral("changePasswordButton"));
    changePassword->setAutoDefault(false);
    changePassword->setMinimumWidth(FormKit::paddedButtonWidth(changePassword, changePassword->text()));
    m_signOut = new BusyButton(tr("Sign Out"), box);
    m_signOut->setObjectName(QStringLiteral("signOutButton"));
    m_signOut->setBusyTitle(tr("Signing Out…"));
    m_signOut->setProminent(false);
    m_signOut->setAutoDefault(false);
    QPalette destructive = m_signOut->palette();
    destructive.setColor(QPalette::ButtonText, Theme::errorColor());
    m_signOut->setPalette(destructive);
    // A sign-out stopped by a change that failed while it waited says so here, where it was asked for.
    m_signOutError = FormKit::errorCaption(box);
    m_signOutError->setObjectName(QStringLiteral("signOutError"));
    layout->addWidget(changePassword, 0, Qt::AlignLeft);
    layout->addWidget(m_signOut, 0, Qt::AlignLeft);
    layout->addWidget(m_signOutError);

    connect(changePassword, &QPushButton::clicked, this, &SettingsView::showChangePassword);
    connect(m_signOut, &QPushButton::clicked, this, &SettingsView::signOut);
    connect(m_signingOut, &ScreenAction::busyChanged, m_signOut, &BusyButton::setBusy);
    return box;
}

QWidget *SettingsView::buildSupportSection()
{
    QWidget *box = section(tr("Support"), this);
    auto *layout = static_cast<QVBoxLayout *>(box->layout());
    QPushButton *support = supportButton(tr("Email Support"), QStringLiteral("emailSupportButton"), box);
    QPushButton *feedback = supportButton(tr("Send Feedback"), QStringLiteral("sendFeedbackButton"), box);
    QPushButton *privacy = supportButton(tr("Privacy"), QStringLiteral("privacyButton"), box);
    for (QPushButton *button : {support, feedback, privacy})
        layout->addWidget(button, 0, Qt::AlignLeft);

    connect(support, &QPushButton::clicked, this,
            [] { UrlOpener::open(mailURL(supportEmail, QStringLiteral("Vantorelle Support"))); });
    connect(feedback, &QPushButton::clicked, this,
            [] { UrlOpener::open(mailURL(feedbackEmail, QStringLiteral("Vantorelle Feedback"))); });
    connect(privacy, &QPushButton::clicked, this, [] { UrlOpener::open(privacyPolicyURL); });
    return box;
}

QPushButton *SettingsView::supportButton(const QString &title, const QString &name, QWidget *parent)
{
    QPushButton *button = FormKit::linkButton(title, parent);
    button->setObjectName(name);
    button->setFont(font());
    return button;
}

QUrl SettingsView::mailURL(const QString &address, const QString &subject)
{
    // The characters a URL query may carry as they are; everything else, blanks included, is escaped.
    const QByteArray encoded = QUrl::toPercentEncoding(subject, QByteArrayLiteral("!$&'()*+,/:;=?@"));
    return QUrl(QStringLiteral("mailto:") + address + QStringLiteral("?subject=") + QString::fromLatin1(encoded));
}

void SettingsView::refreshAccount()
{
    const std::optional<AuthUser> &user = m_authManager->currentUser();
    m_name->setText(user ? user->fullName : tr("Signed in"));
    m_email->setText(user ? user->email : QString());
}

// Nothing here belongs to a signed-out session: the account and its patients went with it.
void SettingsView::closeOnSignOut(bool isAuthenticated)
{
    if (isAuthenticated)
        return;
    if (m_changePasswordSheet)
        m_changePasswordSheet->deleteLater();
    close();
}

void SettingsView::showChangePassword()
{
    if (m_changePasswordSheet) {
        m_changePasswordSheet->raise();
        return;
    }
    m_changePasswordSheet = new ChangePasswordSheet(m_authManager, this);
    m_changePasswordSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_changePasswordSheet->open();
}

void SettingsView::signOut()
{
    if (!m_signingOut->isBusy())
        runSignOut();
}

QCoro::Task<> SettingsView::runSignOut()
{
    FormKit::setCaptionText(m_signOutError, QString());
    QCoro::Task<> operation = m_authManager->logout();
    // The service's answer to the sign-out itself is never shown: only a change that failed while the sign-out
    // waited for it stops it.
    const ScreenAction::Outcome outcome = co_await m_signingOut->run(std::move(operation));
    if (outcome.abandoned || !outcome.failure)
        co_return;
    FormKit::setCaptionText(m_signOutError,
                            tr("A change could not be saved, so you are still signed in: %1").arg(*outcome.failure));
}
