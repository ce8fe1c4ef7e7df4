#pragma once

#include <QString>
#include <QUuid>

// One question asked in the detail panel and its answer so far.
struct AskExchange {
    QUuid id;
    QString question;
    QString answer;
    bool isError = false;
    // The stream has ended; a finished exchange never shows the spinner.
    bool isFinished = false;
};
