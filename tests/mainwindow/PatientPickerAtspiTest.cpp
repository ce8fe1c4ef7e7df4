#include "mainwindow/ContentView.h"
#include "records/PatientStore.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QMenu>
#include <QProcess>
#include <QToolButton>

using ScreenTestKit::child;

// The patient picker as a screen reader reaches it: over AT-SPI, from another process, through the tree alone.
// The client (atspi/patient_picker.py) reports what it heard and chose; this side checks it against the store.
class PatientPickerAtspiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void picker_opensReadsAndChoosesOverAtspi()
    {
        QVERIFY(m_window.open(QSize(1200, 800)));
        PatientStore *patients = m_window.session()->patients();
        QTRY_VERIFY_WITH_TIMEOUT(!patients->selectedPatientID().isEmpty(), 10000);
        QVERIFY(patients->patients().size() >= 2);

        QStringList expected;
        for (const Patient &patient : patients->patients()) {
            const bool current = patient._id == patients->selectedPatientID();
            expected << patient.displayName() + (current ? QStringLiteral(" checked") : QStringLiteral(" unchecked"));
        }

        QProcess client;
        client.start(QStringLiteral("/usr/bin/python3"), {qEnvironmentVariable("VANTORELLE_ATSPI_CLIENT"),
                                                          QString::number(QCoreApplication::applicationPid())});
        QTRY_VERIFY_WITH_TIMEOUT(client.state() == QProcess::NotRunning, 20000);
        QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0,
                 client.readAllStandardError().constData());

        QStringList heard;
        QString chosen;
        for (const QByteArray &line : client.readAllStandardOutput().split('\n')) {
            const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
            if (fields.first() == QLatin1String("item"))
                heard << fields.mid(1).join(QLatin1Char(' '));
            else if (fields.first() == QLatin1String("chosen"))
                chosen = fields.value(1);
        }
        QCOMPARE(heard, expected);
        const QList<Patient> &all = patients->patients();
        const auto picked = std::find_if(all.cbegin(), all.cend(),
                                         [&](const Patient &patient) { return patient.displayName() == chosen; });
        QVERIFY(picked != all.cend());
        QCOMPARE(patients->selectedPatientID(), picked->_id);
        auto *picker = child<QToolButton>(m_window.view(), "patientPicker");
        QCOMPARE(picker->text(), chosen);
        QVERIFY(!picker->menu()->isVisible());
    }

private:
    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(PatientPickerAtspiTest)
#include "PatientPickerAtspiTest.moc"
