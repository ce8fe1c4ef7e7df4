#pragma once

// A screen reader's paste (AT-SPI's EditableText.PasteText) reads the clipboard's text itself and inserts it
// through the input's accessible interface: no key event, no call of the widget's paste, no mime data. Qt's
// own interfaces for line and text edits insert straight into the text, past any check, so the inputs that
// ask before another patient's text goes in (ClipboardTrackingTextField, PasteCheckedTextEdit) get
// interfaces of their own here: they read and edit the text as Qt's do, and hand an insert to the input's
// checked insert. Usage, from those inputs' constructors (later calls do nothing):
//   PasteCheckedAccessible::install();
namespace PasteCheckedAccessible
{

void install();

} // namespace PasteCheckedAccessible
