#pragma once

#include <QMessageBox>

struct UpdateCheckResult;

// Tells the user what "Check for Updates…" found, window-modal over the window
// that asked, or application-modal when that window has closed meanwhile.
// "Download" opens the download page. It deletes itself when closed.
class UpdateResultDialog final : public QMessageBox
{
    Q_OBJECT

public:
    explicit UpdateResultDialog(const UpdateCheckResult &result, QWidget *parent = nullptr);
};
