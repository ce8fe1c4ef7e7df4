#include "net/APIClient.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

class MultipartBodyTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boundary_isNewUpperCaseUuidEachTime()
    {
        const QString first = APIClient::makeBoundary();
        static const QRegularExpression shape(
            u"^Boundary-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"_s);
        QVERIFY2(shape.match(first).hasMatch(), qPrintable(first));
        QCOMPARE(first.size(), 45);
        QVERIFY(first != APIClient::makeBoundary());
    }

    void body_layoutIsExact_data()
    {
        QTest::addColumn<FormFields>("fields");
        QTest::addColumn<QList<MultipartFile>>("files");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("nothing") << FormFields{} << QList<MultipartFile>{} << "--B--\r\n"_ba;
        QTest::newRow("empty field value")
            << FormFields{{u"patientId"_s, u""_s}} << QList<MultipartFile>{}
            << "--B\r\nContent-Disposition: form-data; name=\"patientId\"\r\n\r\n\r\n--B--\r\n"_ba;
        QTest::newRow("fields before files")
            << FormFields{{u"patientId"_s, u"P"_s}, {u"medbitId"_s, u"M"_s}}
            << QList<MultipartFile>{{u"file"_s, u"a.pdf"_s, u"application/pdf"_s, "%PDF"_ba}}
            << "--B\r\nContent-Disposition: form-data; name=\"patientId\"\r\n\r\nP\r\n"
               "--B\r\nContent-Disposition: form-data; name=\"medbitId\"\r\n\r\nM\r\n"
               "--B\r\nContent-Disposition: form-data; name=\"file\"; filename=\"a.pdf\"\r\n"
               "Content-Type: application/pdf\r\n\r\n%PDF\r\n--B--\r\n"_ba;
        QTest::newRow("empty file and same field twice")
            << FormFields{}
            << QList<MultipartFile>{{u"files"_s, u"1.png"_s, u"image/png"_s, {}},
                                    {u"files"_s, u"2.png"_s, u"image/png"_s, "x"_ba}}
            << "--B\r\nContent-Disposition: form-data; name=\"files\"; filename=\"1.png\"\r\n"
               "Content-Type: image/png\r\n\r\n\r\n"
               "--B\r\nContent-Disposition: form-data; name=\"files\"; filename=\"2.png\"\r\n"
               "Content-Type: image/png\r\n\r\nx\r\n--B--\r\n"_ba;
    }
    void body_layoutIsExact()
    {
        QFETCH(FormFields, fields);
        QFETCH(QList<MultipartFile>, files);
        QFETCH(QByteArray, expected);
        QCOMPARE(APIClient::makeMultipartBody(u"B"_s, fields, files), expected);
    }

    void names_escapeQuotesAndLineBreaksOnly_data()
    {
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("quote") << u"a\"b.pdf"_s << "\"a%22b.pdf\""_ba;
        QTest::newRow("header injection")
            << u"x.pdf\"\r\nContent-Type: text/html"_s << "\"x.pdf%22%0D%0AContent-Type: text/html\""_ba;
        QTest::newRow("lone LF") << u"a\nb"_s << "\"a%0Ab\""_ba;
        QTest::newRow("non-ASCII stays raw") << u"Bef\u00fcnd \u8840.pdf"_s << "\"Bef\xc3\xbcnd \xe8\xa1\x80.pdf\""_ba;
        QTest::newRow("percent stays raw") << u"100%.pdf"_s << "\"100%.pdf\""_ba;
    }
    void names_escapeQuotesAndLineBreaksOnly()
    {
        QFETCH(QString, filename);
        QFETCH(QByteArray, written);
        const QByteArray body =
            APIClient::makeMultipartBody(u"B"_s, {{filename, u"v"_s}}, {{filename, filename, u"image/png"_s, "x"_ba}});
        QCOMPARE(body.count("form-data; name=" + written + "\r\n"), 1);
        QCOMPARE(body.count("; filename=" + written + "\r\n"), 1);
        QCOMPARE(body.count("\r\n--B\r\n"), 1);
    }
};

QTEST_GUILESS_MAIN(MultipartBodyTest)
#include "MultipartBodyTest.moc"
