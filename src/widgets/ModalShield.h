#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

// While a modal dialog (a sheet, a form, an alert) is shown over a window, everything of that window outside
// the dialog is disabled, the items of its menu bar and of its widgets' menus too, and enabled again once no
// modal dialog is left over it. Qt keeps the mouse and the keyboard away from a blocked window, but a screen
// reader's actions still reach its buttons and menu items; disabled ones ignore them. Widgets that were disabled
// already are left as they are, and the window's focus goes back where it was. Usage, once per application (later calls
// do nothing):
//   ModalShield::install();
class ModalShield final : public QObject
{
    Q_OBJECT

public:
    static void install();
    // Whether a modal dialog is open over any window now, installed or not.
    static bool isAnyWindowBlocked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ModalShield(QObject *parent);
    // Disables what the window's modal dialogs now cover, and enables what they no longer cover.
    void refresh(QWidget *window);

    struct Shielded {
        QList<QPointer<QWidget>> disabled; // by this shield
        QList<QPointer<QAction>> disabledActions;
        QPointer<QWidget> focus; // the window's focus before
    };
    QHash<QWidget *, Shielded> m_windows;
};
