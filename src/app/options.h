// The run's options: from the command line or, when it has no argument, from
// the options line of the rules file.
#pragma once

#include <string>
#include <vector>

// The arguments of a run: the program name first. `words` owns the texts
// that the options line supplies; `vector` points at every argument and is
// ended by a null entry once parsing begins.
struct ArgumentVector {
  std::vector<std::string> words;
  std::vector<char*> vector;
};

// Finds the first line of the rules file whose first nine characters are
// "quendrel " in any case and appends its arguments to `arguments`. A rules
// file that cannot be opened ends the run.
void readOptionsLine(const char* rulesPath, ArgumentVector& arguments);

// Prints the usage text shown when there is no argument at all.
void printFirstUsage(const ArgumentVector& arguments);

// Parses the options with getopt and acts on each as it is met. Returns the
// index of the plugin path in the permuted vector (its last entry). Ends the
// run for -V and for an unknown letter.
int parseOptions(ArgumentVector& arguments);
