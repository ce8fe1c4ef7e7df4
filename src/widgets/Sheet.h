#pragma once

#include <QDialog>

class QCloseEvent;

// A dialog that closes only through its own buttons: Escape and the window's close button do nothing, so a
// half-typed form or a request on its way is never dropped by accident. A button closes it with dismiss()
// or accept().
class Sheet : public QDialog
{
    Q_OBJECT

public:
    explicit Sheet(QWidget *parent = nullptr);

    // Escape: ignored.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    // Closes the sheet as cancelled.
    void dismiss();
};
