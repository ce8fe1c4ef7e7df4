#include "import/ReviewSectionBlock.h"
#include "import/DocumentImportManager.h"
#include "import/ReviewTextField.h"

#include <QTest>

#include <algorithm>

namespace
{

TaggedPreviewMedbits sectionOf(int count)
{
    TaggedPreviewMedbits section{QStringLiteral("hx"), {}, false};
    for (int i = 0; i < count; ++i)
        section.medbits.append({.id = QStringLiteral("m%1").arg(i),
                                .entryText = QStringLiteral("Suggestion %1").arg(i),
                                .translated = std::nullopt,
                                .language = std::nullopt,
                                .date = 1700000000 + i,
                                .isApproxDate = false,
                                .isLocked = false,
                                .isStarred = false,
                                .tags = {QStringLiteral("hx")}});
    return section;
}

} // namespace

// One section of the review on its own: rows are built only when asked for, and stand in the entries' order.
class ReviewSectionBlockTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tabReachingAnUnbuiltRow_buildsTheRowsUpToIt_inOrder()
    {
        DocumentImportManager manager;
        ReviewSectionBlock block(QStringLiteral("hx"), manager.review());
        block.resize(520, 400);
        block.show();
        QVERIFY(QTest::qWaitForWindowExposed(&block));
        block.setSection(sectionOf(30));
        QCOMPARE(block.pendingRows(), 30);
        QCOMPARE(block.tabStops().size(), 31);

        QWidget *last = block.reach(29, false);
        QCOMPARE(last->objectName(), QStringLiteral("deleteButton"));
        QVERIFY(last->isVisible());
        QCOMPARE(block.pendingRows(), 0);
        QCOMPARE(block.tabStops().size(), 1 + 30 * 4);
        QCOMPARE(block.reach(4, true)->objectName(), QStringLiteral("entryTextEditor"));

        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QList<ReviewTextField *> fields = block.findChildren<ReviewTextField *>(QStringLiteral("entryTextEditor"));
        std::sort(fields.begin(), fields.end(), [&block](QWidget *a, QWidget *b) {
            return a->mapTo(&block, QPoint()).y() < b->mapTo(&block, QPoint()).y();
        });
        QStringList shown;
        for (ReviewTextField *field : fields)
            shown << field->toPlainText();
        QStringList entries;
        for (const PreviewMedbit &medbit : sectionOf(30).medbits)
            entries << medbit.entryText;
        QCOMPARE(shown, entries);
    }
};

QTEST_MAIN(ReviewSectionBlockTest)
#include "ReviewSectionBlockTest.moc"
