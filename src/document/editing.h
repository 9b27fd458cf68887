#pragma once

#include "document/editor.h"
#include "platform/platform.h"

#include <QString>

#include <functional>

class QWidget;

namespace vistrel::document {

// Whether the widget edits text that Cut, Copy and Paste can act on.
bool holdsText(const QWidget* widget);
// The selected text of a text-editing widget, lines separated by "\n"; empty for a widget that
// holds no selectable text.
QString selectedText(const QWidget* widget);
// Replaces the selection of a text-editing widget (or inserts at its caret); false for a
// widget that holds no editable text.
bool replaceSelection(QWidget* widget, const QString& text);

// The Edit and Text menus' commands. Cut, Copy and Paste act on whichever widget has the
// keyboard focus; the others on the script editor.
class EditingCommands {
  public:
    EditingCommands(ScriptEditor& editor, platform::Clipboard& clipboard,
                    std::function<QWidget*()> focused);

    void cut();
    void copy();
    void paste();
    void selectAll();
    // One point larger or smaller, within the sizes the editor's font accepts.
    void enlargeFont();
    void shrinkFont();
    // A selection that is all bold (or italic) loses it, one without it gains it; a mixed
    // selection is left as it is.
    void toggleBold();
    void toggleItalic();

  private:
    ScriptEditor& editor_;
    platform::Clipboard& clipboard_;
    std::function<QWidget*()> focused_;
};

}  // namespace vistrel::document
