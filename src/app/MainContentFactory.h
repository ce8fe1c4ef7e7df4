#pragma once

#include <functional>

class AuthManager;
class MainContent;
class PatientStore;
class QWidget;

// Builds what a signed-in window shows. The main window's library provides it and main.cpp hands it in,
// so the account screens never link the main window that in turn shows their onboarding screens.
using MainContentFactory =
    std::function<MainContent *(AuthManager *authManager, PatientStore *patientStore, QWidget *parent)>;
