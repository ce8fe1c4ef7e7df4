#include "mainwindow/entry/EntryQuestionsStore.h"

#include <QTest>

// An unsent question is kept for the one patient's entry it was typed about.
class EntryQuestionsStoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void draft_belongsToItsPatientsEntry_data()
    {
        QTest::addColumn<QString>("patientID");
        QTest::addColumn<QString>("entryID");
        QTest::addColumn<QString>("draft");
        QTest::newRow("the entry it was typed about") << "leo"
                                                      << "e1"
                                                      << "Is this dose right?";
        QTest::newRow("another entry of the patient") << "leo"
                                                      << "e2"
                                                      << "";
        QTest::newRow("the same entry id under another patient") << "dana"
                                                                 << "e1"
                                                                 << "";
        QTest::newRow("another patient's entry") << "dana"
                                                 << "e3"
                                                 << "";
    }
    void draft_belongsToItsPatientsEntry()
    {
        QFETCH(QString, patientID);
        QFETCH(QString, entryID);
        QFETCH(QString, draft);
        EntryQuestionsStore store;
        store.setDraft(QStringLiteral("leo"), QStringLiteral("e1"), QStringLiteral("Is this dose right?"));
        store.setDraft(QStringLiteral("dana"), QStringLiteral("e3"), QStringLiteral("Typed, then erased"));
        store.setDraft(QStringLiteral("dana"), QStringLiteral("e3"), QString());
        QCOMPARE(store.draft(patientID, entryID), draft);
    }
};

QTEST_MAIN(EntryQuestionsStoreTest)
#include "EntryQuestionsStoreTest.moc"
