// Showing the message file in a text editor: the command "notepad <file>",
// run through the system's command processor.
#include "app/text_editor.h"

#include "base/platform/platform.h"
#include "base/text_format.h"

void SystemTextEditor::show(const char* file) { runEditorCommand(formatted("notepad %s", file)); }
