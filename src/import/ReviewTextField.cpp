#include "ReviewTextField.h"

#include "ReviewTextFieldAccessible.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QFocusEvent>
#include <QPainter>
#include <QPlainTextEdit>

namespace
{

constexpr int textFlags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;

} // namespace

ReviewTextField::ReviewTextField(const QString &accessibleName, QWidget *parent) : QWidget(parent)
{
    static const bool accessibleInstalled = (QAccessible::installFactory(&ReviewTextFieldAccessible::create), true);
    Q_UNUSED(accessibleInstalled);
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    setAttribute(Qt::WA_InputMethodEnabled);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ReviewTextField::setPlainText(const QString &text)
{
    if (text == m_text)
        return;
    const QString before = m_text;
    m_text = text;
    if (m_editor) {
        const QSignalBlocker blocker(m_editor);
        m_editor->setPlainText(text);
    }
    remeasure();
    update();
    announceText(before);
}

void ReviewTextField::edit(const QString &text)
{
    if (text == m_text)
        return;
    setPlainText(text);
    Q_EMIT textEdited(m_text);
}

void ReviewTextField::announceText(const QString &before)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleTextUpdateEvent changed(this, 0, before, m_text);
    QAccessible::updateAccessibility(&changed);
}

// Layouts ask again and again, in turns at the hint's width (for their own size hint) and at the field's
// real width, and wrapping the text is the costly part of laying out hundreds of rows: one answer is kept
// for each width until the text or the font changes.
int ReviewTextField::heightForWidth(int width) const
{
    const QSize hint = sizeHint();
    if (width == hint.width())
        return hint.height();
    if (width != m_measuredWidth) {
        m_measuredWidth = width;
        m_measuredHeight = measureHeight(width);
    }
    return m_measuredHeight;
}

QSize ReviewTextField::sizeHint() const
{
    if (!m_sizeHint) {
        const int width = qMax(200, minimumWidth());
        m_sizeHint = QSize(width, measureHeight(width));
    }
    return *m_sizeHint;
}

// One empty line keeps an emptied field tall enough to click into.
int ReviewTextField::measureHeight(int width) const
{
    const QString shown = m_text.isEmpty() ? QStringLiteral(" ") : m_text;
    return fontMetrics().boundingRect(QRect(0, 0, qMax(width, 1), QWIDGETSIZE_MAX), textFlags, shown).height() + 1;
}

void ReviewTextField::remeasure()
{
    m_measuredWidth = -1;
    m_sizeHint.reset();
    updateGeometry();
}

void ReviewTextField::paintEvent(QPaintEvent *)
{
    if (m_editor)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(rect(), textFlags, m_text);
}

void ReviewTextField::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    QPlainTextEdit *editor = openEditor();
    // Tab into the field starts at its end, as the person reads on from there.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        editor->moveCursor(QTextCursor::End);
    editor->setFocus(event->reason());
}

void ReviewTextField::mousePressEvent(QMouseEvent *event)
{
    QPlainTextEdit *editor = openEditor();
    editor->setFocus(Qt::MouseFocusReason);
    editor->setTextCursor(editor->cursorForPosition(editor->viewport()->mapFrom(this, event->position().toPoint())));
}

// A key that the open editor passed up is not the field's to handle again.
void ReviewTextField::keyPressEvent(QKeyEvent *event)
{
    if (m_editor)
        QWidget::keyPressEvent(event);
    else
        QCoreApplication::sendEvent(openEditor(), event);
}

void ReviewTextField::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_editor)
        m_editor->setGeometry(rect());
}

void ReviewTextField::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        remeasure();
        if (m_editor)
            m_editor->setFont(font());
    } else if (event->type() == QEvent::PaletteChange && m_editor) {
        m_editor->setPalette(palette());
    }
}

QPlainTextEdit *ReviewTextField::openEditor()
{
    if (m_editor)
        return m_editor;
    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("fieldEditor"));
    m_editor->setAccessibleName(accessibleName());
    m_editor->setFont(font());
    m_editor->setPalette(palette());
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setTabChangesFocus(true);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->document()->setDocumentMargin(0);
    m_editor->setPlainText(m_text);
    m_editor->setGeometry(rect());
    m_editor->installEventFilter(this);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &ReviewTextField::onEditorChanged);
    // The editor stands in for the field; the field is no stop of its own meanwhile.
    setFocusPolicy(Qt::NoFocus);
    m_editor->show();
    update();
    return m_editor;
}

void ReviewTextField::closeEditor()
{
    QPlainTextEdit *editor = m_editor;
    m_editor = nullptr;
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    setFocusPolicy(Qt::StrongFocus);
    update();
}

// Most keystrokes leave the field as tall as it was: the layouts above it, with hundreds of rows, then
// keep what they know instead of laying the whole list out again.
void ReviewTextField::onEditorChanged()
{
    const QSize hint = sizeHint();
    const int height = heightForWidth(width());
    m_text = m_editor->toPlainText();
    m_measuredWidth = -1;
    m_sizeHint.reset();
    if (sizeHint() != hint || heightForWidth(width()) != height)
        updateGeometry();
    Q_EMIT textEdited(m_text);
}

// Focus that leaves for another control closes the editor; a context menu or another window does not.
bool ReviewTextField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            closeEditor();
    }
    return QWidget::eventFilter(watched, event);
}
