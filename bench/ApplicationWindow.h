#pragma once

#include "app/MainWindow.h"
#include "app/VantorelleApp.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/ProgramRecords.h"
#include "mainwindow/timeline/TimelineListView.h"
#include "net/APIClient.h"
#include "platform/MemoryKeychain.h"
#include "widgets/ModalShield.h"
#include "widgets/SymbolIcons.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

// The application as main.cpp starts it, in this process, pointed at a stand-in on `port`: its one window on
// the sign-in screen. Its settings live in a folder of their own for as long as this object does, and the
// credentials in memory (no Secret Service is asked). Only what the application itself links is loaded.
// Usage:
//   ApplicationWindow application(port);
//   application.signIn(); // the seeded account, and a click on "Sign In", as a person gives it
//   ApplicationWindow::waitFor([&] { return application.timelineRows() >= 10000; }, 60000);
class ApplicationWindow final
{
public:
    explicit ApplicationWindow(int port)
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsFolder.path());
        QApplication::setOrganizationName(QStringLiteral("Vantorelle"));
        QApplication::setApplicationName(QStringLiteral("Vantorelle"));
        SymbolIcons::installFallbackTheme();
        ModalShield::install();
        APIClient::shared().setBaseURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1/api").arg(port)));
        m_app = std::make_unique<VantorelleApp>(&m_keychain, ContentView::factory(&m_records));
        m_window = m_app->openNewWindow();
        // The stored credentials are looked for first; the sign-in screen follows when there are none.
        waitFor([this] { return signInButton() != nullptr; }, 10000);
        runEventsFor(200);
    }

    MainWindow *window() const { return m_window; }

    // Types the stand-in's seeded account into the sign-in screen, then clicks "Sign In".
    void signIn() { signIn(QStringLiteral("demo@vantorelle.test"), QStringLiteral("health-demo-2026")); }

    // Types the credentials, then clicks "Sign In": the clock of a sign-in starts at this click.
    void signIn(const QString &email, const QString &password)
    {
        m_window->findChild<QLineEdit *>(QStringLiteral("emailField"))->setText(email);
        m_window->findChild<QLineEdit *>(QStringLiteral("passwordField"))->setText(password);
        click(signInButton());
    }

    // Rows of the timeline as shown; 0 while it is not.
    int timelineRows() const
    {
        const auto *list = timelineList();
        return list && list->model() && list->isVisible() ? list->model()->rowCount() : 0;
    }
    TimelineListView *timelineList() const
    {
        return m_window->findChild<TimelineListView *>(QStringLiteral("timelineList"));
    }

    // A running event loop, as in the application: processEvents() alone never carries out deleteLater().
    static void runEventsFor(int milliseconds)
    {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // Polls every millisecond in a running event loop, so that the time it ends at is the time the condition held.
    template <typename Condition> static bool waitFor(Condition condition, int milliseconds)
    {
        QEventLoop loop;
        QTimer poll;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (condition() || clock.elapsed() > milliseconds)
                loop.quit();
        });
        poll.start(1);
        if (!condition())
            loop.exec();
        return condition();
    }

private:
    QPushButton *signInButton() const { return m_window->findChild<QPushButton *>(QStringLiteral("signInButton")); }

    static void click(QWidget *widget)
    {
        const QPointF centre = QRectF(widget->rect()).center();
        const QPointF global = widget->mapToGlobal(centre);
        QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &release);
    }

    QTemporaryDir m_settingsFolder;
    MemoryKeychain m_keychain;
    ProgramRecords m_records;
    std::unique_ptr<VantorelleApp> m_app;
    MainWindow *m_window = nullptr;
};
