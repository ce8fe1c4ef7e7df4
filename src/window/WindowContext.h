#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class AskSessions;
class ClipboardManager;
class HealthStoryWriter;
class MedbitStore;
class PatientStore;
class WindowState;
struct Medbit;

// What the main window hands every section panel, first in its constructor: the window's stores and state,
// the patient the panel is made for, and the window's own actions a panel may ask for. A panel library links
// this one, never the window's, so the window fills in the actions. The window outlives its panels; a
// panel's work that may resume after the panel is gone must not call the actions then.
struct WindowContext {
    PatientStore *patientStore = nullptr;
    MedbitStore *medbitStore = nullptr;
    ClipboardManager *clipboardManager = nullptr;
    WindowState *state = nullptr;
    // The program's one copy of every patient's Ask conversations and the work running on them.
    AskSessions *askSessions = nullptr;
    // The program's one writer of health stories, which every window shares with the story cache.
    HealthStoryWriter *healthStoryWriter = nullptr;
    QString patientID;
    // Opens the entry form for a new entry that starts with `text` and, when given, `attachment` as its one
    // chosen file.
    std::function<void(const QString &text, const std::optional<QUrl> &attachment)> openEntryForm = {};
    // Returns to the timeline with `medbit` selected and its first attachment previewed. It takes effect on
    // the next turn of the event loop, since leaving a section deletes the panel that asked.
    std::function<void(const Medbit &medbit)> selectMedbit = {};
};
