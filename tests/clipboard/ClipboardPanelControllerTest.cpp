#include "ClipboardTestSettings.h"
#include "CopyInAnotherApplication.h"

#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/ClipboardPanelController.h"
#include "clipboard/Pasteboard.h"
#include "clipboard/PasteboardTransfer.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

namespace
{

const QString copied = QStringLiteral("Warfarin 5 mg");
const QString patientA = QStringLiteral("A"), patientB = QStringLiteral("B");

// How the clipboard came to hold what is pasted, after a copy in the Ask field under patient A.
enum class Before {
    SwitchToB,
    NoSwitch,
    SwitchToBThenCopyElsewhere,
    SwitchToBThenCopyBackOfB,
    SwitchToBThenCopyBackOfA,
    CopyBackOfAThenSwitchToB,
    SwitchToNone
};
// What the clipboard holds when the paste target takes it.
enum class Offer {
    FileAndText,
    ImageAndText,
    PaddedText,
    EmptyText,
    BlankText,
    Nothing,
    BigFileAndText,
    BigFile,
    GoneFile,
    GoneFileAndLink
};

QList<QUuid> idsOf(const QList<ClipboardItem> &items)
{
    QList<QUuid> ids;
    for (const ClipboardItem &item : items)
        ids << item.id;
    return ids;
}

QStringList textsOf(const QList<ClipboardItem> &items)
{
    QStringList texts;
    for (const ClipboardItem &item : items)
        texts << item.text;
    return texts;
}

ClipboardItem textItem(const QString &text, const QString &patientID = patientA)
{
    return ClipboardItem{QUuid::createUuid(),
                         text,
                         std::nullopt,
                         ClipboardActionType::Copy,
                         QStringLiteral("Ask"),
                         QDateTime::currentDateTimeUtc(),
                         patientID};
}

} // namespace

class ClipboardPanelControllerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ClipboardTestSettings::clear();
        QGuiApplication::clipboard()->clear();
        m_manager = std::make_unique<ClipboardManager>(patientA, ClipboardSeams{&m_pasteboard, &m_activity, {}});
        m_controller = std::make_unique<ClipboardPanelController>(
            m_manager.get(), ClipboardDraftFolder(m_folder.filePath(QStringLiteral("drafts"))));
    }

    void cleanup()
    {
        m_controller.reset();
        m_manager.reset();
    }

    void handlePaste_asksOnlyForAnotherPatientsCopyStillOnTheClipboard_data()
    {
        QTest::addColumn<Before>("before");
        QTest::addColumn<bool>("asks");
        QTest::newRow("copied under A, pasted under B") << Before::SwitchToB << true;
        QTest::newRow("same patient") << Before::NoSwitch << false;
        QTest::newRow("another copy since") << Before::SwitchToBThenCopyElsewhere << false;
        QTest::newRow("B's item copied back since") << Before::SwitchToBThenCopyBackOfB << false;
        QTest::newRow("A's item copied back under B") << Before::SwitchToBThenCopyBackOfA << true;
        QTest::newRow("A's item copied back, then B") << Before::CopyBackOfAThenSwitchToB << true;
        QTest::newRow("switched to no patient") << Before::SwitchToNone << false;
    }

    void handlePaste_asksOnlyForAnotherPatientsCopyStillOnTheClipboard()
    {
        QFETCH(Before, before);
        QFETCH(bool, asks);
        copyInAskField();
        if (before == Before::CopyBackOfAThenSwitchToB)
            copyToPasteboard(textItem(copied), m_manager.get());
        if (before != Before::NoSwitch)
            m_manager->switchPatient(before == Before::SwitchToNone ? QString() : patientB);
        QTRY_VERIFY(!m_manager->isLoading());
        if (before == Before::SwitchToBThenCopyElsewhere)
            QGuiApplication::clipboard()->setText(copied);
        if (before == Before::SwitchToBThenCopyBackOfB || before == Before::SwitchToBThenCopyBackOfA)
            copyToPasteboard(textItem(copied, before == Before::SwitchToBThenCopyBackOfB ? patientB : patientA),
                             m_manager.get());
        const QString target = m_manager->patientID();
        QSignalSpy asked(m_controller.get(), &ClipboardPanelController::pasteNeedsAnswer);

        m_controller->handlePaste();

        QCOMPARE(asked.size(), asks ? 1 : 0);
        QCOMPARE(m_controller->pendingPaste().has_value(), asks);
        const QList<ClipboardItem> &items = m_manager->items();
        // Under A the copy stays in the list; B's list starts empty.
        QCOMPARE(items.size(), (asks ? 0 : 1) + (target == patientA ? 1 : 0));
        if (!asks)
            QCOMPARE(std::tuple(items.first().action, items.first().source, items.first().patientID),
                     std::tuple(ClipboardActionType::Paste, QStringLiteral("Clipboard"), target));
    }

    void answer_cancelRecordsNothingAllowRecordsUnderTheCurrentPatient_data()
    {
        QTest::addColumn<bool>("allow");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Allow") << true;
    }

    void answer_cancelRecordsNothingAllowRecordsUnderTheCurrentPatient()
    {
        QFETCH(bool, allow);
        copyInAskField();
        m_manager->switchPatient(patientB);
        QTRY_VERIFY(!m_manager->isLoading());
        m_controller->handlePaste();
        QVERIFY(m_controller->pendingPaste());
        allow ? m_controller->allowPendingPaste() : m_controller->cancelPendingPaste();

        QVERIFY(!m_controller->pendingPaste());
        const QList<ClipboardItem> stored = ClipboardManager::loadHistory(patientB);
        QCOMPARE(textsOf(stored), allow ? QStringList{copied} : QStringList());
        QCOMPARE(textsOf(m_manager->items()), textsOf(stored));
        if (allow)
            QCOMPARE(std::tuple(stored.first().action, stored.first().source, stored.first().patientID),
                     std::tuple(ClipboardActionType::Paste, QStringLiteral("Clipboard"), patientB));
        QCOMPARE(textsOf(ClipboardManager::loadHistory(patientA)), QStringList{copied});
    }

    void allow_afterAnotherSwitch_recordsNothing()
    {
        copyInAskField();
        m_manager->switchPatient(patientB);
        QTRY_VERIFY(!m_manager->isLoading());
        m_controller->handlePaste();
        m_manager->switchPatient(QStringLiteral("C"));
        QTRY_VERIFY(!m_manager->isLoading());
        m_controller->allowPendingPaste();
        QVERIFY(m_manager->items().isEmpty());
        QVERIFY(ClipboardManager::loadHistory(patientB).isEmpty());
    }

    void performPaste_takesFileOverImageOverText_data()
    {
        QTest::addColumn<Offer>("offer");
        QTest::addColumn<QStringList>("recorded");
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<QString>("problem");
        const QString pdf = QStringLiteral("application/pdf");
        const QString tooLarge = QStringLiteral("The copied file is over 25 MB and can't be kept.");
        const QString gone = QStringLiteral("The copied file can't be read; it may have been moved or deleted.");
        QTest::newRow("file and text") << Offer::FileAndText << QStringList{" my scan .pdf"} << pdf << QString();
        QTest::newRow("image and text") << Offer::ImageAndText << QStringList{"Pasted Image.png"} << "image/png"
                                        << QString();
        QTest::newRow("padded text") << Offer::PaddedText << QStringList{copied} << QString() << QString();
        QTest::newRow("empty text") << Offer::EmptyText << QStringList() << QString() << QString();
        QTest::newRow("blank text") << Offer::BlankText << QStringList() << QString() << QString();
        QTest::newRow("nothing") << Offer::Nothing << QStringList() << QString() << QString();
        QTest::newRow("file over the limit and text")
            << Offer::BigFileAndText << QStringList() << QString() << tooLarge;
        QTest::newRow("file over the limit") << Offer::BigFile << QStringList() << QString() << tooLarge;
        QTest::newRow("file deleted since the copy") << Offer::GoneFile << QStringList() << QString() << gone;
        QTest::newRow("file deleted since the copy, with its link as text")
            << Offer::GoneFileAndLink << QStringList() << QString() << gone;
    }

    void performPaste_takesFileOverImageOverText()
    {
        QFETCH(Offer, offer);
        QFETCH(QString, mimeType);
        offerOnClipboard(offer);
        m_controller->handlePaste();
        // A poll comes while the file is still being read, as on a busy machine; what it finds is not new.
        m_manager->pollPasteboard();
        QTRY_VERIFY(!m_controller->isPreparingPaste());
        QTEST(m_controller->pasteProblem(), "problem");
        QTEST(textsOf(m_manager->items()), "recorded");
        QTEST(textsOf(ClipboardManager::loadHistory(patientA)), "recorded");
        for (const ClipboardItem &item : m_manager->items()) {
            QCOMPARE(item.file ? item.file->mimeType : QString(), mimeType);
            QCOMPARE(std::tuple(item.action, item.source),
                     std::tuple(ClipboardActionType::Paste, QStringLiteral("Clipboard")));
        }
    }

    void selectedItem_followsTheChoiceElseTheFirstItem()
    {
        QSignalSpy changed(m_controller.get(), &ClipboardPanelController::selectedItemChanged);
        QVERIFY(!m_controller->selectedItem());
        QVERIFY(m_controller->selectedItemID().isNull());
        for (const char *text : {"a", "b", "c"})
            m_manager->record(ClipboardActionType::Copy, text, QStringLiteral("Ask"));
        QCOMPARE(m_controller->selectedItem()->text, QStringLiteral("c"));
        const QUuid b = m_manager->items().at(1).id;
        m_controller->select(b);
        QCOMPARE(m_controller->selectedItemID(), b);
        const qsizetype changes = changed.size();
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("d"), QStringLiteral("Ask"));
        QCOMPARE(m_controller->selectedItemID(), b);
        QCOMPARE(changed.size(), changes);
        m_controller->deleteItem(b);
        QCOMPARE(m_controller->selectedItem()->text, QStringLiteral("d"));
        QCOMPARE(changed.size(), changes + 1);
        m_controller->clearAll(idsOf(m_manager->items()));
        QVERIFY(!m_controller->selectedItem());
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("e"), QStringLiteral("Ask"));
        QCOMPARE(m_controller->selectedItem()->text, QStringLiteral("e"));
    }

    void deleteAndClear_saveTheManagersPatientOnly()
    {
        ClipboardManager::saveHistory({textItem(QStringLiteral("b"))}, patientB);
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("kept"), QStringLiteral("Ask"));
        const ClipboardItem twice = textItem(QStringLiteral("twice"));
        m_manager->setItems({twice, m_manager->items().first(), twice});
        // No patient selected: the manager keeps A, and so do the saves.
        m_manager->switchPatient(QString());
        m_controller->deleteItem(twice.id);
        QCOMPARE(textsOf(m_manager->items()), QStringList{"kept"});
        QCOMPARE(textsOf(ClipboardManager::loadHistory(patientA)), QStringList{"kept"});
        // Only what Clear All asked about goes: a copy recorded while it asked stays.
        const QList<QUuid> asked = idsOf(m_manager->items());
        m_manager->record(ClipboardActionType::Copy, QStringLiteral("since"), QStringLiteral("Ask"));
        m_controller->clearAll(asked);
        QCOMPARE(textsOf(m_manager->items()), QStringList{"since"});
        QCOMPARE(textsOf(ClipboardManager::loadHistory(patientA)), QStringList{"since"});
        m_controller->clearAll(idsOf(m_manager->items()));
        QVERIFY(m_manager->items().isEmpty());
        QCOMPARE(textsOf(ClipboardManager::loadHistory(patientB)), QStringList{"b"});
        QCOMPARE(QSettings().value(ClipboardManager::storageKey(patientA)).toString(), QStringLiteral("[]"));
        QVERIFY(!QSettings().contains(ClipboardManager::storageKey(QString())));
    }

    void makeCreateEntryDraft_writesFileItemsToAPrivateDraft()
    {
        const std::optional<CreateEntryDraft> text = m_controller->makeCreateEntryDraft(textItem(copied));
        QCOMPARE(std::tuple(text->initialText, text->attachmentURL), std::tuple(copied, std::optional<QUrl>()));
        ClipboardItem fileItem = textItem(QStringLiteral("scan.pdf"));
        fileItem.file = ClipboardFile{QStringLiteral("scan.pdf"), QStringLiteral("application/pdf"), "%PDF"};
        const std::optional<CreateEntryDraft> first = m_controller->makeCreateEntryDraft(fileItem);
        const std::optional<CreateEntryDraft> second = m_controller->makeCreateEntryDraft(fileItem);
        QCOMPARE(first->initialText, QString());
        QVERIFY(first->id != second->id && first->attachmentURL != second->attachmentURL);
        QFile written(first->attachmentURL->toLocalFile());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("%PDF"));
        QCOMPARE(QFileInfo(written).absolutePath(), m_folder.filePath(QStringLiteral("drafts")));
    }

private:
    void copyInAskField()
    {
        QGuiApplication::clipboard()->setText(copied);
        m_manager->record(ClipboardActionType::Copy, copied, QStringLiteral("Ask"));
    }

    void offerOnClipboard(Offer offer)
    {
        auto *data = new QMimeData;
        if (offer == Offer::FileAndText || offer == Offer::BigFileAndText || offer == Offer::BigFile)
            data->setUrls({QUrl::fromLocalFile(
                writeFile(offer == Offer::FileAndText ? QStringLiteral(" my scan .pdf") : QStringLiteral("big.mov"),
                          offer == Offer::FileAndText ? 4 : maxClipboardFileBytes + 1))});
        const QUrl gone = QUrl::fromLocalFile(m_folder.filePath(QStringLiteral("deleted.pdf")));
        if (offer == Offer::GoneFile || offer == Offer::GoneFileAndLink)
            data->setUrls({gone});
        if (offer == Offer::GoneFileAndLink)
            data->setText(gone.toString());
        if (offer == Offer::ImageAndText)
            data->setImageData(QImage(2, 2, QImage::Format_RGB32));
        const QMap<Offer, QString> texts{{Offer::EmptyText, QString()}, {Offer::BlankText, QStringLiteral(" \n")}};
        if (offer != Offer::Nothing && offer != Offer::BigFile && offer != Offer::GoneFile &&
            offer != Offer::GoneFileAndLink)
            data->setText(texts.value(offer, QStringLiteral("  %1\n").arg(copied)));
        copyInAnotherApplication(m_activity, data);
    }

    QString writeFile(const QString &name, qint64 size)
    {
        QFile file(m_folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
            qFatal("cannot write the test file");
        return file.fileName();
    }

    ClipboardTestSettings m_settings;
    QTemporaryDir m_folder;
    ApplicationActivity m_activity{true};
    Pasteboard m_pasteboard{QGuiApplication::clipboard()};
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<ClipboardPanelController> m_controller;
};

QTEST_MAIN(ClipboardPanelControllerTest)
#include "ClipboardPanelControllerTest.moc"
