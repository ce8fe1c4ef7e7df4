#include "widgets/SymbolIcons.h"

#include <QApplication>
#include <QTest>

// The symbols whose theme icons read wrong are the application's own, and come out the same on any desktop.
class SymbolIconsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No theme at all: whatever draws must come from the application itself.
        QIcon::setThemeSearchPaths({});
        QIcon::setThemeName(QStringLiteral("no-such-theme"));
        QIcon::setFallbackThemeName(QStringLiteral("no-such-theme"));
    }

    void bundledSymbol_drawsWithoutAnIconTheme_data()
    {
        QTest::addColumn<QString>("symbol");
        for (const char *symbol : {"checkmark", "checkmark.circle.fill", "arrow.up.circle.fill", "lightbulb",
                                   "exclamationmark.triangle", "doc.text.fill", "photo", "photo.fill",
                                   "tray.and.arrow.down.fill", "square.and.pencil", "xmark.circle.fill", "paperclip"})
            QTest::newRow(symbol) << QString::fromLatin1(symbol);
    }
    void bundledSymbol_drawsWithoutAnIconTheme()
    {
        QFETCH(QString, symbol);
        QVERIFY(!SymbolIcons::icon(symbol).isNull());
        // Tinted, the symbol is one colour: its shape in the tint, the rest transparent.
        const QImage image = SymbolIcons::tinted(symbol, 24, Qt::red).toImage();
        QVERIFY(!image.isNull());
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 0)
                    continue;
                ++inked;
                QCOMPARE(pixel.toRgb().red(), 255);
            }
        }
        QVERIFY(inked > 24 && inked < 24 * 24 * 3 / 4);
    }

    void unknownSymbol_isNull() { QVERIFY(SymbolIcons::icon(QStringLiteral("no.such.symbol")).isNull()); }
};

QTEST_MAIN(SymbolIconsTest)
#include "SymbolIconsTest.moc"
