#include "net/APIClient.h"

#include <QFile>
#include <QIODevice>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

    // A file part on disk goes out as the same bytes as in memory, read afresh from the start each time.
    void fileOnDisk_readsAsTheSameBytes_fromEveryRewind()
    {
        const QByteArray bytes("%PDF\r\n--B\r\n\x00\xff tail", 17);
        const QString path = write(u"a b.pdf"_s, bytes);
        const FormFields fields{{u"patientId"_s, u"P"_s}};
        const UploadBody body =
            MultipartBody::layout(u"B"_s, fields, {{u"files"_s, u"a b.pdf"_s, u"application/pdf"_s, {}, path}});
        const QByteArray expected =
            APIClient::makeMultipartBody(u"B"_s, fields, {{u"files"_s, u"a b.pdf"_s, u"application/pdf"_s, bytes}});
        QCOMPARE(body.size(), expected.size());
        const std::unique_ptr<QIODevice> device = body.open();
        QVERIFY(device && !device->isSequential());
        for (const qint64 chunk : {qint64(1), qint64(7), qint64(4096)}) {
            QVERIFY(device->reset());
            QByteArray read;
            while (!device->atEnd())
                read += device->read(chunk);
            QCOMPARE(read, expected);
        }
        QVERIFY(device->seek(expected.indexOf("%PDF")));
        QCOMPARE(device->read(4), "%PDF"_ba);
    }

    void fileOnDisk_missingOrShrunk_failsTheRead()
    {
        const QString path = write(u"scan.pdf"_s, QByteArray(100, 'p'));
        const UploadBody body = MultipartBody::layout(u"B"_s, {}, {{u"files"_s, u"scan.pdf"_s, u"x/y"_s, {}, path}});
        write(u"scan.pdf"_s, QByteArray(50, 'p'));
        const std::unique_ptr<QIODevice> device = body.open();
        QVERIFY(device);
        QCOMPARE(device->read(1000).size(), 0);
        QVERIFY(body.readAll().isEmpty());
        QVERIFY(QFile::remove(path));
        QString error;
        QVERIFY(!body.open(&error));
        QVERIFY(!error.isEmpty());
    }

private:
    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        return file.fileName();
    }

    QTemporaryDir m_folder;
};

QTEST_GUILESS_MAIN(MultipartBodyTest)
#include "MultipartBodyTest.moc"
