#pragma once

#include <QJsonObject>
#include <QLabel>
#include <QPalette>
#include <QString>
#include <QTest>
#include <QWidget>

// Small helpers shared by the screen tests: find a named child, read what a caption shows.
namespace ScreenTestKit
{

template <typename T> T *child(const QWidget *root, const char *name)
{
    return root->findChild<T *>(QString::fromLatin1(name));
}

// Types text key by key, also characters that QTest::keyClicks cannot send (combining marks).
inline void type(QWidget *widget, const QString &text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

inline QString shownText(const QLabel *label)
{
    return label->isVisible() ? label->text() : QString();
}

inline QColor textColor(const QWidget *label)
{
    return label->palette().color(QPalette::WindowText);
}

inline QJsonObject delayed(const QString &path, int delayMs)
{
    return {{QStringLiteral("path"), path}, {QStringLiteral("delayMs"), delayMs}};
}

} // namespace ScreenTestKit
