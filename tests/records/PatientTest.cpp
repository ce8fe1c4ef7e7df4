#include "records/Patient.h"

#include "net/Json.h"

#include <QJsonDocument>
#include <QTest>

namespace
{

Patient patient(const QString &firstName, std::optional<QString> lastName = {})
{
    return Patient{QStringLiteral("p1"), firstName, QStringLiteral("Middle"), std::move(lastName), {}, {}, {}};
}

} // namespace

class PatientTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayName_data()
    {
        QTest::addColumn<Patient>("patient");
        QTest::addColumn<QString>("name");
        QTest::newRow("first only") << patient(QStringLiteral("Alex")) << "Alex";
        QTest::newRow("first and last") << patient(QStringLiteral("Alex"), QStringLiteral("Rivera")) << "Alex Rivera";
        QTest::newRow("last only") << patient(QString(), QStringLiteral("Rivera")) << "Rivera";
        QTest::newRow("empty names") << patient(QString(), QString()) << "Unnamed Patient";
        QTest::newRow("no names") << patient(QString()) << "Unnamed Patient";
        QTest::newRow("a blank is a name") << patient(QStringLiteral(" ")) << " ";
    }

    void displayName()
    {
        QFETCH(Patient, patient);
        QTEST(patient.displayName(), "name");
    }

    void decode_readsOptionalsAndKeepsEmptyActiveApart_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<std::optional<bool>>("active");
        QTest::newRow("active absent") << QByteArray() << std::optional<bool>();
        QTest::newRow("active null") << QByteArray(R"(,"active":null,"lastName":null)") << std::optional<bool>();
        QTest::newRow("active false") << QByteArray(R"(,"active":false)") << std::optional<bool>(false);
        QTest::newRow("active true") << QByteArray(R"(,"active":true,"gender":"f")") << std::optional<bool>(true);
    }

    void decode_readsOptionalsAndKeepsEmptyActiveApart()
    {
        QFETCH(QByteArray, keys);
        const Patient decoded =
            Patient::fromJson(*Json::parse(R"({"_id":"p1","firstName":"Alex","dateOfBirth":-5)" + keys + '}'));
        QCOMPARE(decoded.firstName, QStringLiteral("Alex"));
        QCOMPARE(decoded.dateOfBirth, -5);
        QVERIFY(!decoded.lastName);
        QTEST(decoded.active, "active");
    }

    void decode_invalid_fails_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("no firstName") << QByteArray(R"({"_id":"p1"})");
        QTest::newRow("_id null") << QByteArray(R"({"_id":null,"firstName":"A"})");
        QTest::newRow("dateOfBirth text") << QByteArray(R"({"_id":"p","firstName":"A","dateOfBirth":"1990"})");
        QTest::newRow("dateOfBirth fraction") << QByteArray(R"({"_id":"p","firstName":"A","dateOfBirth":1.5})");
        QTest::newRow("active text") << QByteArray(R"({"_id":"p","firstName":"A","active":"true"})");
    }

    void decode_invalid_fails()
    {
        QFETCH(QByteArray, json);
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, Patient::fromJson(*Json::parse(json)));
    }

    void encode_leavesOutEmptyOptionals()
    {
        const QJsonObject json = patient(QStringLiteral("Alex")).toJson();
        QCOMPARE(json.keys(),
                 QStringList({QStringLiteral("_id"), QStringLiteral("firstName"), QStringLiteral("middleName")}));
        Patient full = patient(QStringLiteral("Alex"), QStringLiteral("Rivera"));
        full.dateOfBirth = 631152000;
        full.gender = QStringLiteral("x");
        full.active = false;
        QCOMPARE(Patient::fromJson(full.toJson()), full);
    }

    void equality_emptyActiveDiffersFromFalse()
    {
        Patient inactive = patient(QStringLiteral("Alex"));
        inactive.active = false;
        QVERIFY(inactive != patient(QStringLiteral("Alex")));
        QVERIFY(qHash(inactive) != qHash(patient(QStringLiteral("Alex"))));
        QCOMPARE(qHash(patient(QStringLiteral("Alex")), 3), qHash(patient(QStringLiteral("Alex")), 3));
        QVERIFY(patient(QStringLiteral("Alex")) != patient(QStringLiteral("Sam"))); // same _id, other value
    }
};

QTEST_GUILESS_MAIN(PatientTest)
#include "PatientTest.moc"
