// Showing the message file in a text editor: the command "notepad <file>",
// run through the system's command processor.
#include "app/closing.h"
#include "base/platform.h"
#include "base/text_format.h"

void openInTextEditor(const char* file) { runEditorCommand(formatted("notepad %s", file)); }
