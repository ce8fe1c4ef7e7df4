#include "mainwindow/entry/CreateEntryView.h"
#include "mainwindow/entry/AttachmentUpload.h"
#include "mainwindow/entry/EntryDate.h"
#include "mainwindow/entry/EntryDateField.h"
#include "widgets/AttachmentPicker.h"

#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "records/MedbitStore.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace
{

constexpr int deadlineMs = 10000;
const QString createPath = QStringLiteral("/api/medbits/create");
const QString updatePath = QStringLiteral("/api/medbits/update");
const QString uploadPath = QStringLiteral("/api/medbits/upload_image");
const QString getPath = QStringLiteral("/api/medbits/get");
// The clock of every form here; its fraction of a second must never reach the service.
const QDateTime clockMoment(QDate(2024, 3, 5), QTime(10, 20, 30, 750));

// A text field of a multipart body, or a parameter of its file part ("filename").
QByteArray formField(const QByteArray &body, const QByteArray &name)
{
    const QByteArray marker = "name=\"" + name + "\"\r\n\r\n";
    const qsizetype start = body.indexOf(marker) + marker.size();
    return body.indexOf(marker) < 0 ? QByteArray() : body.mid(start, body.indexOf("\r\n", start) - start);
}

QByteArray uploadedFileName(const QByteArray &body)
{
    const qsizetype start = body.indexOf("filename=\"") + 10;
    return body.mid(start, body.indexOf('"', start) - start);
}

QStringList namesOf(const QList<QLabel *> &labels)
{
    QStringList names;
    for (const QLabel *label : labels)
        names << label->text();
    return names;
}

} // namespace

class CreateEntryViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.isRunning());
        QVERIFY(m_files.isValid());
        EntryDate::setClockForTesting([] { return clockMoment; });
        AttachmentPicker::setHandlerForTesting(
            [this](QWidget *, const AttachmentPicker::Chosen &chosen) { chosen(m_nextChoice); });
    }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_patientIDs = m_session->signInForPatientIDs();
        m_bearer = m_server.signIn().access;
        m_store = std::make_unique<MedbitStore>(patient(0));
        AwaitTask::run(m_store->loadMedbits());
        m_window = std::make_unique<QWidget>();
        m_window->resize(800, 700);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_window.reset();
        m_store.reset();
        m_session.reset();
        m_server.clearFaults();
    }

    void newEntry_isCreatedThenEachFileUploadedInOrder()
    {
        open(std::nullopt, QString(), file("scan.pdf", "%PDF-1.4 first"));
        QCOMPARE(m_form->size(), QSize(480, 620));
        QTest::keyClicks(child<QPlainTextEdit>("entryTextEditor"), QStringLiteral("  "));
        QVERIFY(!button("saveButton")->isEnabled());
        QTest::keyClicks(child<QPlainTextEdit>("entryTextEditor"), QStringLiteral("Knee MRI "));
        QTest::keyClick(child<QPlainTextEdit>("entryTextEditor"), Qt::Key_Return);
        QTest::mouseClick(child<QCheckBox>("category_lab"), Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseClick(child<QCheckBox>("category_hx"), Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseClick(child<QCheckBox>("lockedToggle"), Qt::LeftButton, {}, QPoint(4, 4));
        // Larger than one read, so the file is read in several turns of the event loop.
        QByteArray photo(600 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < photo.size(); ++i)
            photo[i] = char(i % 251);
        // The same file chosen twice is sent twice.
        m_nextChoice = {file("photo.png", photo), QUrl::fromLocalFile(m_files.filePath(QStringLiteral("scan.pdf")))};
        QTest::mouseClick(button("addAttachmentButton"), Qt::LeftButton);
        QCOMPARE(namesOf(pendingLabels()), QStringList({"scan.pdf", "photo.png", "scan.pdf"}));

        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_form, deadlineMs);
        QCOMPARE(sentPaths(), QStringList({createPath, uploadPath, getPath, uploadPath, getPath, uploadPath, getPath}));
        const QJsonObject created = m_server.requests(createPath).at(0).json().toObject();
        QCOMPARE(created.value("patientId").toString(), patient(0));
        const QJsonObject medbit = created.value("medbit").toObject();
        QCOMPARE(medbit.value("entryText").toString(), QStringLiteral("Knee MRI"));
        QCOMPARE(medbit.value("tags").toArray(), QJsonArray({"hx", "lab"}));
        QCOMPARE(medbit.value("isLocked").toBool(), true);
        QCOMPARE(medbit.value("isStarred").toBool(), false);
        QCOMPARE(medbit.value("date").toInteger(), clockMoment.toSecsSinceEpoch());

        const QString id = m_store->medbits().first().id;
        const QList<LoggedRequest> uploads = m_server.requests(uploadPath);
        QVERIFY(uploads[0].header("Content-Type").startsWith("multipart/form-data; boundary=Boundary-"));
        QVERIFY(uploads[0].body.contains("Content-Type: application/pdf\r\n\r\n%PDF-1.4 first\r\n"));
        for (const LoggedRequest &upload : uploads) {
            QCOMPARE(formField(upload.body, "patientId"), patient(0).toUtf8());
            QCOMPARE(formField(upload.body, "medbitId"), id.toUtf8());
        }
        QCOMPARE(uploadedFileName(uploads[1].body), QByteArray("photo.png"));
        QVERIFY(uploads[1].body.contains("Content-Type: image/png\r\n\r\n" + photo + "\r\n--Boundary-"));
        QCOMPARE(serviceDocumentNames(id), QStringList({"scan.pdf", "photo.png", "scan.pdf"}));
        QCOMPARE(m_store->medbits().first().documents.size(), 3);
    }

    // Qt's own file dialog, as on a desktop without a portal: the file typed and opened is listed.
    void save_looksUnavailable_untilThereIsText()
    {
        open(std::nullopt, QString());
        // Greyed out: lighter than the text of the enabled Cancel beside it, and without the accent fill.
        QVERIFY(!button("saveButton")->isEnabled());
        QVERIFY(darkest(button("cancelButton")) < 60);
        QVERIFY(darkest(button("saveButton")) > 150);
        const QImage disabled = button("saveButton")->grab().toImage();
        QTest::keyClicks(child<QPlainTextEdit>("entryTextEditor"), QStringLiteral("x"));
        QVERIFY(button("saveButton")->isEnabled());
        QVERIFY(button("saveButton")->grab().toImage() != disabled);
    }

    void calendar_showsDaysAfterTodayAsUnavailable()
    {
        open(std::nullopt, QString());
        QCalendarWidget *calendar = child<EntryDateField>("datePicker")->calendar();
        const QDate today = EntryDate::now().date();
        QCOMPARE(calendar->maximumDate(), today);
        const QColor unavailable = Theme::palette().color(QPalette::Disabled, QPalette::Text);
        QVERIFY(calendar->dateTextFormat(today).foreground().color() != unavailable);
        for (int days : {1, 10, 42})
            QCOMPARE(calendar->dateTextFormat(today.addDays(days)).foreground().color(), unavailable);
    }

    void fileDialog_listsTheOpenedFile()
    {
        AttachmentPicker::setHandlerForTesting({});
        const auto restore = qScopeGuard([this] {
            AttachmentPicker::setHandlerForTesting(
                [this](QWidget *, const AttachmentPicker::Chosen &chosen) { chosen(m_nextChoice); });
        });
        open(std::nullopt, QStringLiteral("Scan"));
        const QUrl chosen = file("chosen.pdf", "%PDF-1.4 chosen");
        QTest::mouseClick(button("addAttachmentButton"), Qt::LeftButton);
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = m_form->findChild<QFileDialog *>()) != nullptr && dialog->isVisible());
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(chosen.toLocalFile());
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open)->click();
        QTRY_COMPARE(namesOf(pendingLabels()), QStringList({"chosen.pdf"}));
    }

    // A retry neither makes a second entry nor sends a file again.
    void failedUpload_retryUpdatesTheEntryAndSendsOnlyTheRest()
    {
        open(std::nullopt, QStringLiteral("Retry me"));
        const QString missing = m_files.filePath(QStringLiteral("later.pdf"));
        m_nextChoice = {file("first.pdf", "one"), QUrl::fromLocalFile(missing), file("third.png", "three")};
        QTest::mouseClick(button("addAttachmentButton"), Qt::LeftButton);
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shownError(), QStringLiteral("No such file or directory"), deadlineMs);
        QVERIFY(m_form->isVisible());
        QCOMPARE(namesOf(pendingLabels()), QStringList({"first.pdf", "later.pdf", "third.png"}));
        QCOMPARE(sentPaths(), QStringList({createPath, uploadPath, getPath}));
        const QString id = m_store->medbits().first().id;

        writeFile(missing, "two");
        m_server.clearRequests();
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_form, deadlineMs);
        QCOMPARE(sentPaths(), QStringList({updatePath, uploadPath, getPath, uploadPath, getPath}));
        QCOMPARE(m_server.requests(updatePath).at(0).query, "medbitId=" + id.toUtf8());
        QCOMPARE(serviceDocumentNames(id), QStringList({"first.pdf", "later.pdf", "third.png"}));
        QCOMPARE(std::count_if(m_store->medbits().begin(), m_store->medbits().end(),
                               [](const Medbit &m) { return m.entryText == QLatin1StringView("Retry me"); }),
                 1);
    }

    // Cancel closes at once; the save goes on for the patient it started with, whatever is opened meanwhile.
    void cancelAndPatientSwitchDuringSave_savesEverythingForThePatientOfSave()
    {
        open(std::nullopt, QStringLiteral("Keep going"), file("scan.pdf", "bytes"));
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        QCOMPARE(button("saveButton")->text(), QStringLiteral("Saving…"));
        QVERIFY(!button("saveButton")->isEnabled());
        QVERIFY(!button("addAttachmentButton")->isEnabled());
        QVERIFY(button("cancelButton")->isEnabled());
        m_store->setPatientID(patient(1));
        QTest::mouseClick(button("cancelButton"), Qt::LeftButton);
        QTRY_VERIFY(!m_form);

        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(getPath).size(), 1, deadlineMs);
        QCOMPARE(m_server.requests(createPath).at(0).json()["patientId"].toString(), patient(0));
        QCOMPARE(formField(m_server.requests(uploadPath).at(0).body, "patientId"), patient(0).toUtf8());
        const QString id = QString::fromUtf8(formField(m_server.requests(uploadPath).at(0).body, "medbitId"));
        const QJsonArray entries =
            m_server.apiCall("GET", "/medbits/list/summary?patientId=" + patient(0), {}, m_bearer).toArray();
        QVERIFY(
            std::any_of(entries.begin(), entries.end(), [&id](const QJsonValue &entry) { return entry["_id"] == id; }));
        QCOMPARE(serviceDocumentNames(id), QStringList({"scan.pdf"}));
        QVERIFY(std::none_of(m_store->medbits().begin(), m_store->medbits().end(),
                             [&id](const Medbit &medbit) { return medbit.id == id; }));
    }

    void editing_sendsTheTextAndKeepsTagsDateAndFlags()
    {
        Medbit draft;
        draft.entryText = QStringLiteral("Old text");
        draft.date = -86400 * 400;
        draft.isApproxDate = draft.isLocked = draft.isStarred = true;
        draft.language = QStringLiteral("en");
        draft.tags = {QStringLiteral("lab"), QStringLiteral("hx"), QStringLiteral("custom")};
        const Medbit created = AwaitTask::run(m_store->createMedbit(draft));
        AwaitTask::run(AttachmentUpload::upload(file("old scan.pdf", "x"), patient(0), created.id));
        const Medbit existing = *AwaitTask::run(m_store->fetchMedbit(created.id));
        m_server.clearRequests();

        open(existing, QStringLiteral("ignored"), file("ignored.pdf", "x"));
        QCOMPARE(m_form->size(), QSize(480, 440));
        QCOMPARE(child<QLabel>("formTitle")->text(), QStringLiteral("Edit Entry"));
        QVERIFY(!child<EntryDateField>("datePicker") && !child<QCheckBox>("category_hx") &&
                !child<QCheckBox>("lockedToggle"));
        QCOMPARE(namesOf(m_form->findChildren<QLabel *>(QStringLiteral("documentLabel"))),
                 QStringList({"old scan.pdf"}));
        QVERIFY(pendingLabels().isEmpty());
        auto *editor = child<QPlainTextEdit>("entryTextEditor");
        QCOMPARE(editor->toPlainText(), QStringLiteral("Old text"));
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("New text"));
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_form, deadlineMs);

        QCOMPARE(sentPaths(), QStringList({updatePath}));
        const QJsonObject sent = m_server.requests(updatePath).at(0).json().toObject();
        QCOMPARE(sent.value("entryText").toString(), QStringLiteral("New text"));
        QCOMPARE(sent.value("tags").toArray(), QJsonArray({"lab", "hx", "custom"}));
        QCOMPARE(sent.value("date").toInteger(), draft.date);
        QVERIFY(sent.value("isApproxDate").toBool() && sent.value("isLocked").toBool() &&
                sent.value("isStarred").toBool());
        QCOMPARE(sent.value("language").toString(), QStringLiteral("en"));
        QVERIFY(!sent.contains("documents") && !sent.contains("_id"));
    }

    void date_data()
    {
        QTest::addColumn<QDate>("chosen");
        QTest::addColumn<QDate>("saved");
        QTest::newRow("today") << QDate() << QDate(2024, 3, 5);
        QTest::newRow("earlier day") << QDate(2023, 12, 24) << QDate(2023, 12, 24);
        QTest::newRow("tomorrow refused") << QDate(2024, 3, 6) << QDate();
        QTest::newRow("before 1970") << QDate(1969, 7, 20) << QDate(1969, 7, 20);
    }

    // Typed as a person types it: the field entered by a click at its centre, a double click or Shift+Tab,
    // then the characters, then left with Tab. What the form cannot take is refused under the field, as typed,
    // and nothing is sent. Days after today count from the form's clock.
    void typedDate_isSavedOrRefusedAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QDate>("saved");
        QTest::addColumn<QString>("refusal");
        const QString notADate = QStringLiteral("This is not a date. Type it like 3/5/2024.");
        const QString afterToday = QStringLiteral("This date is after today. Type 3/5/2024 or an earlier day.");
        const QDate today = clockMoment.date();
        const auto typed = [](QDate day) {
            return QLocale(QLocale::English, QLocale::UnitedStates).toString(day, QStringLiteral("M/d/yyyy"));
        };
        QTest::newRow("1965") << QStringLiteral("3/5/1965") << "click" << QDate(1965, 3, 5) << QString();
        QTest::newRow("1929") << QStringLiteral("12/31/1929") << "click" << QDate(1929, 12, 31) << QString();
        QTest::newRow("1999") << QStringLiteral("7/4/1999") << "click" << QDate(1999, 7, 4) << QString();
        QTest::newRow("2012") << QStringLiteral("02/29/2012") << "click" << QDate(2012, 2, 29) << QString();
        QTest::newRow("today") << typed(today) << "click" << today << QString();
        QTest::newRow("tomorrow") << typed(today.addDays(1)) << "click" << QDate() << afterToday;
        QTest::newRow("next year") << typed(today.addYears(1)) << "click" << QDate() << afterToday;
        QTest::newRow("double click, 1965")
            << QStringLiteral("3/5/1965") << "double click" << QDate(1965, 3, 5) << QString();
        QTest::newRow("Shift+Tab, 2003") << QStringLiteral("11/20/2003") << "Shift+Tab" << QDate(2003, 11, 20)
                                         << QString();
        QTest::newRow("not a date") << QStringLiteral("3/5/19x5") << "click" << QDate() << notADate;
    }

    void typedDate_isSavedOrRefusedAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QString, entered);
        QFETCH(QDate, saved);
        QFETCH(QString, refusal);
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });
        open(std::nullopt, QStringLiteral("Dated"));
        auto *field = child<QLineEdit>("dateField");
        QCOMPARE(field->text(), QStringLiteral("3/5/2024"));
        if (entered == QLatin1String("click")) {
            QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
        } else if (entered == QLatin1String("double click")) {
            QTest::mouseDClick(field, Qt::LeftButton, {}, field->rect().center());
        } else {
            child<QCheckBox>("approximateToggle")->setFocus(Qt::TabFocusReason);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        }
        QCOMPARE(QApplication::focusWidget(), field);
        QTest::keyClicks(field, typed);
        QTest::keyClick(field, Qt::Key_Tab);
        QVERIFY(!field->hasFocus());
        QCOMPARE(field->text(), typed);
        QCOMPARE(shownDateError(), refusal);
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        if (!saved.isValid()) {
            verifyDateRefused(typed, refusal);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_form, deadlineMs);
        const qint64 seconds = m_server.requests(createPath).at(0).json()["medbit"]["date"].toInteger();
        QCOMPARE(seconds, QDateTime(saved, QTime(10, 20, 30)).toSecsSinceEpoch());
    }

    // The calendar opens on the field's day; the day a person moves to and presses Return on is saved.
    void calendarPick_isTheDateSaved()
    {
        open(std::nullopt, QStringLiteral("Dated"));
        QTest::mouseClick(child<QToolButton>("dateCalendarButton"), Qt::LeftButton);
        QCalendarWidget *calendar = child<EntryDateField>("datePicker")->calendar();
        QVERIFY(calendar->isVisible());
        QCOMPARE(calendar->selectedDate(), QDate(2024, 3, 5));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!calendar->isVisible());
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_form, deadlineMs);
        const qint64 seconds = m_server.requests(createPath).at(0).json()["medbit"]["date"].toInteger();
        QCOMPARE(seconds, QDateTime(QDate(2024, 2, 27), QTime(10, 20, 30)).toSecsSinceEpoch());
    }

    // The day changes, the time of day of the opening moment stays, and whole seconds are saved.
    void date()
    {
        QFETCH(QDate, chosen);
        QFETCH(QDate, saved);
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });
        open(std::nullopt, QStringLiteral("Dated"));
        auto *picker = child<EntryDateField>("datePicker");
        QCOMPARE(picker->calendar()->maximumDate(), QDate(2024, 3, 5));
        if (chosen.isValid())
            picker->setDate(chosen);
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        if (!saved.isValid()) {
            verifyDateRefused(QStringLiteral("3/6/2024"),
                              QStringLiteral("This date is after today. Type 3/5/2024 or an earlier day."));
            return;
        }
        QCOMPARE(picker->date().value_or(QDate()), saved);
        QTRY_VERIFY_WITH_TIMEOUT(!m_form, deadlineMs);
        const qint64 seconds = m_server.requests(createPath).at(0).json()["medbit"]["date"].toInteger();
        QCOMPARE(seconds, QDateTime(saved, QTime(10, 20, 30)).toSecsSinceEpoch());
    }

    void failure_isShownInRedAndKeepsTheForm_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("uploads");
        QTest::newRow("create refused") << createPath << 400 << R"({"message":"Entry text is too long."})"
                                        << "Entry text is too long." << 0;
        QTest::newRow("upload refused") << uploadPath << 500 << R"({"message":"Storage is full."})"
                                        << "Storage is full." << 1;
        QTest::newRow("empty upload reply") << uploadPath << 200 << ""
                                            << "Received an unexpected response from the server." << 1;
    }

    void failure_isShownInRedAndKeepsTheForm()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QString, body);
        QFETCH(QString, shown);
        QFETCH(int, uploads);
        m_server.injectFault({{"path", path}, {"status", status}, {"body", body}});
        open(std::nullopt, QStringLiteral("Will fail"), file("scan.pdf", "bytes"));
        QTest::mouseClick(button("saveButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shownError(), shown, deadlineMs);
        QCOMPARE(child<QLabel>("errorLabel")->palette().color(QPalette::WindowText), Theme::errorColor());
        // Seen where the user looks after "Save", at the form's own size: inside the scrolled area's view.
        QCOMPARE(m_form->size(), QSize(480, 620));
        const QWidget *view = child<QScrollArea>("entryScrollArea")->viewport();
        const QLabel *error = child<QLabel>("errorLabel");
        QTRY_VERIFY(view->rect().contains(QRect(error->mapTo(view, QPoint(0, 0)), error->size())));
        QVERIFY(m_form->isVisible());
        QCOMPARE(button("saveButton")->text(), QStringLiteral("Save"));
        QVERIFY(button("saveButton")->isEnabled() && button("addAttachmentButton")->isEnabled());
        QCOMPARE(m_server.requests(uploadPath).size(), uploads);
        QVERIFY(m_server.requests(getPath).isEmpty());
    }

private:
    // The darkest grey drawn on a control: its text, unless it is greyed out.
    static int darkest(QWidget *control)
    {
        const QImage image = control->grab().toImage();
        int darkest = 255;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
        }
        return darkest;
    }

    QString patient(int index) const { return m_patientIDs.at(index); }

    void open(const std::optional<Medbit> &existing, const QString &text, std::optional<QUrl> attachment = {})
    {
        m_form = new CreateEntryView(m_store.get(), nullptr, existing, text, attachment, m_window.get());
        m_form->open();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.data()));
    }

    template <typename T> T *child(const char *name) const { return m_form->findChild<T *>(QLatin1StringView(name)); }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    QList<QLabel *> pendingLabels() const
    {
        return m_form->findChildren<QLabel *>(QStringLiteral("pendingAttachmentLabel"));
    }
    QString shownDateError() const
    {
        const QLabel *label = child<QLabel>("dateError");
        return label->isVisible() ? label->text() : QString();
    }
    // The form stays open with the typed text and says why, and no save starts.
    void verifyDateRefused(const QString &typed, const QString &refusal) const
    {
        QVERIFY(m_form && m_form->isVisible());
        QVERIFY(!m_form->isSaving());
        QCOMPARE(shownDateError(), refusal);
        QCOMPARE(child<QLineEdit>("dateField")->text(), typed);
        QVERIFY(child<QLineEdit>("dateField")->hasFocus());
        QVERIFY(m_server.requests(createPath).isEmpty());
    }
    QString shownError() const
    {
        const QLabel *label = child<QLabel>("errorLabel");
        return label->isVisible() ? label->text() : QString();
    }

    QUrl file(const char *name, const QByteArray &bytes)
    {
        const QString path = m_files.filePath(QString::fromUtf8(name));
        writeFile(path, bytes);
        return QUrl::fromLocalFile(path);
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    // The entry writes, uploads and refreshes the stand-in received, in order.
    QStringList sentPaths() const
    {
        QStringList paths;
        for (const LoggedRequest &request : m_server.requests()) {
            if (QStringList{createPath, updatePath, uploadPath, getPath}.contains(request.path))
                paths << request.path;
        }
        return paths;
    }

    QStringList serviceDocumentNames(const QString &id)
    {
        QStringList names;
        const QJsonValue entry = m_server.apiCall("GET", QStringLiteral("/medbits/get?medbitId=") + id, {}, m_bearer);
        for (const QJsonValue &document : entry["documents"].toArray())
            names << document["fileName"].toString();
        return names;
    }

    StandinServer m_server;
    QTemporaryDir m_files;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<MedbitStore> m_store;
    std::unique_ptr<QWidget> m_window;
    QStringList m_patientIDs;
    QByteArray m_bearer;
    QList<QUrl> m_nextChoice;
    QPointer<CreateEntryView> m_form;
};

QTEST_MAIN(CreateEntryViewTest)
#include "CreateEntryViewTest.moc"
