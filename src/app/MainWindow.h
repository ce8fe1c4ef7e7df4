#pragma once

#include <QMainWindow>

#include <QCoroTask>

class RootView;
class VantorelleApp;

// One window of the application: its own root view under the application menu.
class MainWindow final : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(VantorelleApp *app, QWidget *parent = nullptr);

    RootView *rootView() const { return m_rootView; }

private:
    void buildMenus();
    void fitToContent();
    void showAbout();
    QCoro::Task<> runUpdateCheck();

    VantorelleApp *m_app = nullptr;
    RootView *m_rootView = nullptr;
};
