#include "widgets/SymbolIcons.h"

#include <QHash>
#include <QPainter>
#include <QStandardPaths>

// The resources of a static library are registered by hand, outside any namespace.
static void registerBundledSymbols()
{
    Q_INIT_RESOURCE(symbols);
}

namespace
{

// Symbols whose theme icons read wrong (colour icons, other shapes) are drawn from our own files.
QString bundled(const char *symbol)
{
    return QStringLiteral(":/symbols/%1.svg").arg(QLatin1String(symbol));
}

const QHash<QString, QString> &themeNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("person.crop.circle.fill"), QStringLiteral("user-identity")},
        {QStringLiteral("chevron.down"), QStringLiteral("go-down")},
        {QStringLiteral("clock"), QStringLiteral("view-calendar-timeline")},
        {QStringLiteral("calendar"), QStringLiteral("view-calendar")},
        {QStringLiteral("bubble.left"), QStringLiteral("dialog-messages")},
        {QStringLiteral("heart"), QStringLiteral("emblem-favorite")},
        {QStringLiteral("doc.text"), QStringLiteral("document-multiple")},
        {QStringLiteral("clipboard"), QStringLiteral("edit-paste")},
        {QStringLiteral("gearshape"), QStringLiteral("configure")},
        {QStringLiteral("magnifyingglass"), QStringLiteral("edit-find")},
        {QStringLiteral("xmark.circle.fill"), bundled("xmark.circle.fill")},
        {QStringLiteral("square.and.pencil"), bundled("square.and.pencil")},
        {QStringLiteral("star.fill"), QStringLiteral("rating")},
        {QStringLiteral("star"), QStringLiteral("rating-unrated")},
        {QStringLiteral("lock.fill"), QStringLiteral("object-locked")},
        {QStringLiteral("lock.open"), QStringLiteral("object-unlocked")},
        {QStringLiteral("paperclip"), bundled("paperclip")},
        {QStringLiteral("photo"), bundled("photo")},
        {QStringLiteral("photo.fill"), bundled("photo.fill")},
        {QStringLiteral("chevron.right"), QStringLiteral("go-next")},
        {QStringLiteral("doc.text.fill"), bundled("doc.text.fill")},
        {QStringLiteral("arrow.up.circle.fill"), bundled("arrow.up.circle.fill")},
        {QStringLiteral("eye"), QStringLiteral("view-visible")},
        {QStringLiteral("exclamationmark.triangle"), bundled("exclamationmark.triangle")},
        // The Clipboard section.
        {QStringLiteral("doc.fill"), QStringLiteral("text-x-generic")},
        {QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy")},
        {QStringLiteral("scissors"), QStringLiteral("edit-cut")},
        {QStringLiteral("arrow.down.doc"), QStringLiteral("document-import")},
        {QStringLiteral("trash"), QStringLiteral("edit-delete")},
        {QStringLiteral("plus.circle"), QStringLiteral("list-add")},
        {QStringLiteral("doc.text.magnifyingglass"), QStringLiteral("document-preview")},
        // The Ask and Health Story sections.
        {QStringLiteral("arrow.clockwise"), QStringLiteral("view-refresh")},
        {QStringLiteral("lightbulb"), bundled("lightbulb")},
        {QStringLiteral("arrow.uturn.backward"), QStringLiteral("edit-undo")},
        {QStringLiteral("exclamationmark.shield"), QStringLiteral("security-medium")},
        {QStringLiteral("heart.text.square"), QStringLiteral("emblem-favorite")},
        // The settings window's chosen patient.
        {QStringLiteral("checkmark"), bundled("checkmark")},
        // The import.
        {QStringLiteral("lock"), QStringLiteral("object-locked")},
        {QStringLiteral("translate"), QStringLiteral("languages")},
        {QStringLiteral("checkmark.circle.fill"), bundled("checkmark.circle.fill")},
        {QStringLiteral("tray.and.arrow.down.fill"), bundled("tray.and.arrow.down.fill")},
        {QStringLiteral("icon-import-document"), QStringLiteral("document-import")},
        // The section rows' own images.
        {QStringLiteral("icon-timeline"), QStringLiteral("view-calendar-timeline")},
        {QStringLiteral("icon-ask"), QStringLiteral("dialog-messages")},
        {QStringLiteral("icon-health-story"), QStringLiteral("emblem-favorite")},
        {QStringLiteral("icon-health-documents"), QStringLiteral("document-multiple")},
        {QStringLiteral("icon-clipboard"), QStringLiteral("edit-paste")},
    };
    return names;
}

} // namespace

namespace SymbolIcons
{

void installFallbackTheme()
{
    QIcon::setFallbackThemeName(QStringLiteral("breeze"));
    // The offscreen platform names no theme and searches only the resources.
    if (QIcon::themeName().isEmpty()) {
        QStringList paths = QIcon::themeSearchPaths();
        const QStringList shared = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                             QStringLiteral("icons"), QStandardPaths::LocateDirectory);
        for (const QString &path : shared) {
            if (!paths.contains(path))
                paths.append(path);
        }
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(QStringLiteral("breeze"));
    }
}

QIcon icon(const QString &symbol)
{
    static const bool registered = (registerBundledSymbols(), true);
    Q_UNUSED(registered);
    const QString name = themeNames().value(symbol);
    if (name.isEmpty())
        return QIcon();
    return name.startsWith(QLatin1String(":/")) ? QIcon(name) : QIcon::fromTheme(name);
}

QPixmap tinted(const QString &symbol, int size, const QColor &color, qreal devicePixelRatio)
{
    QPixmap pixmap = icon(symbol).pixmap(QSize(size, size), devicePixelRatio);
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    return pixmap;
}

} // namespace SymbolIcons
