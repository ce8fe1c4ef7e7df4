#pragma once

#include <QWidget>

// What a signed-in window shows, as the application sees it: a widget that asks for the windows the
// application owns. Only the main window's library makes one, so its constructor is for subclasses.
class MainContent : public QWidget
{
    Q_OBJECT

Q_SIGNALS:
    // The user asked for the settings window.
    void settingsRequested();
    // The user chose to import documents.
    void importSheetRequested();

protected:
    explicit MainContent(QWidget *parent = nullptr) : QWidget(parent) {}
};
