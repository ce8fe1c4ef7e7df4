#include "app/VantorelleApp.h"
#include "clipboard/ClipboardDraftFolder.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/ProgramRecords.h"
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
    ProgramRecords records;
    VantorelleApp app(&keychain, ContentView::factory(&records));
    app.openNewWindow();
    return QApplication::exec();
}
