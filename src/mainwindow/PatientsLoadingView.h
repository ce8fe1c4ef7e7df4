#pragma once

#include <QWidget>

// Shown while the account's patients load: a spinner over "Loading your patients…".
class PatientsLoadingView final : public QWidget
{
    Q_OBJECT

public:
    explicit PatientsLoadingView(QWidget *parent = nullptr);
};
