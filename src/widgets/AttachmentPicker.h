#pragma once

#include <QList>
#include <QUrl>

#include <functional>

class QWidget;

// The file dialog of the entry form: PDF and image files, several at once. It opens window-modal over
// `parent` and hands the chosen files to `chosen`, in the dialog's order; nothing when cancelled.
namespace AttachmentPicker
{

using Chosen = std::function<void(const QList<QUrl> &)>;

void choose(QWidget *parent, Chosen chosen);
// Tests answer in place of the dialog; an empty handler restores the dialog.
void setHandlerForTesting(std::function<void(QWidget *, Chosen)> handler);

} // namespace AttachmentPicker
