#include "MainWindow.h"

#include "RootView.h"
#include "UpdateResultDialog.h"
#include "VantorelleApp.h"
#include "net/AuthManager.h"
#include "platform/UpdaterController.h"

#include <QAction>
#include <QCoreApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

MainWindow::MainWindow(VantorelleApp *app, QWidget *parent)
    : QMainWindow(parent), m_app(app),
      m_rootView(new RootView(app->authManager(), app->patientStore(), app->mainContentFactory(), this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(tr("Vantorelle"));
    setCentralWidget(m_rootView);
    buildMenus();
    connect(m_rootView, &RootView::screenChanged, this, &MainWindow::fitToContent);
    connect(m_rootView, &RootView::settingsRequested, m_app, &VantorelleApp::showSettings);
    m_rootView->layout()->activate();
    adjustSize();
}

void MainWindow::buildMenus()
{
    auto *appMenu = menuBar()->addMenu(tr("Vantorelle"));
    appMenu->setObjectName(QStringLiteral("applicationMenu"));

    auto *about = appMenu->addAction(tr("About Vantorelle"), this, &MainWindow::showAbout);
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setMenuRole(QAction::AboutRole);

    UpdaterController *updater = m_app->updater();
    auto *checkForUpdates = appMenu->addAction(tr("Check for Updates…"), this, [this] { runUpdateCheck(); });
    checkForUpdates->setObjectName(QStringLiteral("checkForUpdatesAction"));
    checkForUpdates->setMenuRole(QAction::ApplicationSpecificRole);
    checkForUpdates->setEnabled(updater->canCheckForUpdates());
    connect(updater, &UpdaterController::canCheckForUpdatesChanged, checkForUpdates, &QAction::setEnabled);

    appMenu->addSeparator();
    auto *settings = appMenu->addAction(tr("Settings…"), m_app, &VantorelleApp::showSettings);
    settings->setObjectName(QStringLiteral("settingsAction"));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings->setMenuRole(QAction::PreferencesRole);
    // The settings are the signed-in account's: offered only while one is.
    AuthManager *auth = m_app->authManager();
    settings->setEnabled(auth->isAuthenticated());
    connect(auth, &AuthManager::isAuthenticatedChanged, settings, &QAction::setEnabled);

    appMenu->addSeparator();
    auto *quit = appMenu->addAction(tr("Quit"), m_app, &VantorelleApp::quit);
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    auto *fileMenu = menuBar()->addMenu(tr("File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    auto *newWindow = fileMenu->addAction(tr("New Window"), m_app, &VantorelleApp::openNewWindow);
    newWindow->setObjectName(QStringLiteral("newWindowAction"));
    newWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
}

void MainWindow::fitToContent()
{
    // The window keeps the size the user gave it and grows only where the new screen needs more; every
    // screen is centred in what it gets. The window's layout hears of the new screen only on a later
    // turn, so its cached size hint is dropped here.
    m_rootView->layout()->activate();
    layout()->invalidate();
    // It grows only as far as the screen allows (a window larger than its screen hides its own edges), and
    // never below the size the user gave it.
    const QSize wanted = size().expandedTo(sizeHint());
    resize(screen() ? wanted.boundedTo(screen()->availableSize().expandedTo(size())) : wanted);
}

void MainWindow::showAbout()
{
    auto *box = new QMessageBox(QMessageBox::Information, tr("About Vantorelle"),
                                tr("Vantorelle\nVersion %1").arg(QCoreApplication::applicationVersion()),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("aboutBox"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

QCoro::Task<> MainWindow::runUpdateCheck()
{
    QPointer self(this);
    const std::optional<UpdateCheckResult> result = co_await m_app->updater()->checkForUpdates();
    if (!result)
        co_return;
    // Over this window, or over the whole application once this window has closed.
    (new UpdateResultDialog(*result, self.data()))->open();
}
