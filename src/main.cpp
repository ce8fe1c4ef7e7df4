#include "app/VantorelleApp.h"
#include "ask/HealthStoryWriter.h"
#include "clipboard/ClipboardDraftFolder.h"
#include "mainwindow/ContentView.h"
#include "platform/SecretServiceKeychain.h"
#include "widgets/ModalShield.h"
#include "widgets/SymbolIcons.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vantorelle"));
    QApplication::setApplicationName(QStringLiteral("Vantorelle"));
    QApplication::setApplicationVersion(QStringLiteral(VANTORELLE_VERSION));
    SymbolIcons::installFallbackTheme();
    ModalShield::install();
    // The entry forms of an earlier run have long uploaded their drafts.
    ClipboardDraftFolder().removeDraftsOfEarlierRuns();

    SecretServiceKeychain keychain;
    // One for the whole program: every window's stories share one cache.
    HealthStoryWriter healthStoryWriter;
    VantorelleApp app(&keychain, ContentView::factory(&healthStoryWriter));
    app.openNewWindow();
    return QApplication::exec();
}
