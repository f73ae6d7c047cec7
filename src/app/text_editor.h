// Where the closing shows the message file: the user's text editor for the
// program, something else for a caller that runs the tool in-process (the
// tests, the fuzz targets), which must not start a shell for every run.
#pragma once

class TextEditor {
 public:
  virtual ~TextEditor() = default;
  // Shows the file and returns once the user is done with it.
  virtual void show(const char* file) = 0;
};

// The command "notepad <file>", run through the system's command processor
// and waited for. On POSIX systems a fallback notepad shipped with Quendrel is
// reachable behind the user's own PATH.
class SystemTextEditor : public TextEditor {
 public:
  void show(const char* file) override;
};
