#include "MainWindow.h"

#include "RootView.h"
#include "VantorelleApp.h"
#include "platform/UpdaterController.h"

#include <QAction>
#include <QCoreApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>

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
    fitToContent();
}

void MainWindow::buildMenus()
{
    auto *appMenu = menuBar()->addMenu(tr("Vantorelle"));
    appMenu->setObjectName(QStringLiteral("applicationMenu"));

    auto *about = appMenu->addAction(tr("About Vantorelle"), this, &MainWindow::showAbout);
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setMenuRole(QAction::AboutRole);

    UpdaterController *updater = m_app->updater();
    auto *checkForUpdates =
        appMenu->addAction(tr("Check for Updates…"), this, [this, updater] { updater->checkForUpdates(this); });
    checkForUpdates->setObjectName(QStringLiteral("checkForUpdatesAction"));
    checkForUpdates->setMenuRole(QAction::ApplicationSpecificRole);
    checkForUpdates->setEnabled(updater->canCheckForUpdates());
    connect(updater, &UpdaterController::canCheckForUpdatesChanged, checkForUpdates, &QAction::setEnabled);

    appMenu->addSeparator();
    auto *settings = appMenu->addAction(tr("Settings…"), m_app, &VantorelleApp::showSettings);
    settings->setObjectName(QStringLiteral("settingsAction"));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings->setMenuRole(QAction::PreferencesRole);

    appMenu->addSeparator();
    auto *quit = appMenu->addAction(tr("Quit"), QCoreApplication::instance(), &QCoreApplication::quit);
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
    // The account screens and the progress screen have fixed sizes, and the window follows them;
    // the signed-in content may be resized freely from its own minimum. The window's layout hears of the
    // new screen only on a later turn, so its cached size hint is dropped here.
    m_rootView->layout()->activate();
    layout()->invalidate();
    if (m_rootView->screen() == RootView::Screen::Main) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(size().expandedTo(sizeHint()));
    } else {
        setFixedSize(sizeHint());
    }
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
