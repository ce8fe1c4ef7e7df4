#pragma once

#include <QAbstractButton>

class Pasteboard;

// The dashed "Paste any item here" target of the clipboard list. A click, or the Paste shortcut while it has
// the keyboard focus and the clipboard offers text, an image or files, asks for a paste (clicked()); what
// is pasted is read from the clipboard by whoever answers.
class PasteTargetView final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit PasteTargetView(Pasteboard *pasteboard, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool offersPaste() const;

    Pasteboard *m_pasteboard = nullptr;
};
