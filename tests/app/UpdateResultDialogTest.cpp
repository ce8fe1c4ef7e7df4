#include "app/UpdateResultDialog.h"
#include "platform/UpdateCheckResult.h"
#include "platform/UrlOpener.h"

#include <QPointer>
#include <QPushButton>
#include <QTest>

using Outcome = UpdateCheckResult::Outcome;

namespace
{

const QUrl downloadPage(QStringLiteral("https://vantorelle.app/download"));

UpdateCheckResult result(Outcome outcome)
{
    UpdateCheckResult result;
    result.outcome = outcome;
    result.currentVersion = QStringLiteral("1.2.0");
    if (outcome == Outcome::UpdateAvailable) {
        result.availableVersion = QStringLiteral("1.10.0");
        result.downloadURL = downloadPage;
    }
    return result;
}

} // namespace

class UpdateResultDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_opened.clear();
        UrlOpener::setHandlerForTesting([this](const QUrl &url) { m_opened.append(url); });
        m_window.show();
    }

    void cleanup() { UrlOpener::setHandlerForTesting({}); }

    void texts_data()
    {
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("informativeText");
        QTest::addColumn<bool>("offersDownload");
        QTest::newRow("available") << Outcome::UpdateAvailable << QStringLiteral("Vantorelle 1.10.0 is available.")
                                   << QStringLiteral("You have version 1.2.0.") << true;
        QTest::newRow("up to date") << Outcome::UpToDate << QStringLiteral("Vantorelle is up to date.")
                                    << QStringLiteral("Version 1.2.0 is the newest version available.") << false;
        QTest::newRow("failed") << Outcome::Failed << QStringLiteral("Couldn't check for updates.")
                                << QStringLiteral("The update information could not be loaded. Please "
                                                  "try again later.")
                                << false;
    }

    void texts()
    {
        QFETCH(Outcome, outcome);
        QFETCH(QString, text);
        QFETCH(QString, informativeText);
        QFETCH(bool, offersDownload);
        QPointer dialog = new UpdateResultDialog(result(outcome), &m_window);
        dialog->open();
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        QCOMPARE(dialog->text(), text);
        QCOMPARE(dialog->informativeText(), informativeText);
        QCOMPARE(bool(dialog->findChild<QPushButton *>(QStringLiteral("downloadButton"))), offersDownload);
        dialog->close();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog, 5000);
        QVERIFY(m_opened.isEmpty());
    }

    void download_opensThePageAndCloses()
    {
        QPointer dialog = new UpdateResultDialog(result(Outcome::UpdateAvailable), &m_window);
        dialog->open();
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("downloadButton")), Qt::LeftButton);
        QCOMPARE(m_opened, QList<QUrl>{downloadPage});
        QTRY_VERIFY_WITH_TIMEOUT(!dialog, 5000);
    }

    void withoutWindow_isApplicationModal()
    {
        QPointer dialog = new UpdateResultDialog(result(Outcome::UpToDate));
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        delete dialog.data();
    }

private:
    QWidget m_window;
    QList<QUrl> m_opened;
};

QTEST_MAIN(UpdateResultDialogTest)
#include "UpdateResultDialogTest.moc"
