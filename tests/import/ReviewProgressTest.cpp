#include "import/ReviewProgress.h"

#include <QTest>

namespace
{

// Six sections of which the first `finished` have ended loading.
QList<TaggedPreviewMedbits> sections(int finished)
{
    QList<TaggedPreviewMedbits> all;
    for (const char *tag : {"hx", "rx", "ax", "vx", "zx", "lab"})
        all.append({QString::fromLatin1(tag), {}, all.size() >= finished});
    return all;
}

} // namespace

class ReviewProgressTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void progress_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<double>("upload");
        QTest::addColumn<int>("finished");
        QTest::addColumn<int>("indicator");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("label");
        const int bar = int(ReviewProgress::Indicator::uploadBar);
        const int spinner = int(ReviewProgress::Indicator::spinner);
        const int extraction = int(ReviewProgress::Indicator::extractionBar);
        QTest::newRow("nothing known yet") << 0 << 0.0 << 0 << spinner << 0 << QStringLiteral("Uploading Document…");
        QTest::newRow("upload cut toward zero")
            << 0 << 0.427 << 0 << bar << 0 << QStringLiteral("Uploading Document (42%)…");
        QTest::newRow("almost sent") << 0 << 0.999 << 0 << bar << 0 << QStringLiteral("Uploading Document (99%)…");
        QTest::newRow("all sent") << 0 << 1.0 << 0 << bar << 0 << QStringLiteral("Uploading Document (100%)…");
        QTest::newRow("beyond the total") << 0 << 1.7 << 0 << bar << 0 << QStringLiteral("Uploading Document (100%)…");
        QTest::newRow("parsing") << 1 << 1.0 << 0 << spinner << 1 << QStringLiteral("Parsing Document…");
        QTest::newRow("two of six") << 2 << 1.0 << 2 << extraction << 4
                                    << QStringLiteral("Extracting Information (2 of 6)…");
        QTest::newRow("all extracted") << 2 << 1.0 << 6 << extraction << 8
                                       << QStringLiteral("Extracting Information (6 of 6)…");
    }

    void progress()
    {
        QFETCH(int, step);
        QFETCH(double, upload);
        QFETCH(int, finished);
        QTEST(int(ReviewProgress::indicator(step, upload)), "indicator");
        QTEST(ReviewProgress::value(step, sections(finished)), "value");
        QTEST(ReviewProgress::label(step, upload, sections(finished)), "label");
        QCOMPARE(ReviewProgress::maximum(sections(finished)), 8);
    }
};

QTEST_GUILESS_MAIN(ReviewProgressTest)
#include "ReviewProgressTest.moc"
