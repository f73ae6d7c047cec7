// quendrel-map from the command line to the exit status.
#pragma once

// Reads PLUGIN and the --against plugins, predicts what the rules do, prints
// the report and writes the picture. Returns 0 when no cell the rules move or
// copy lands on another cell, 2 when one does, 1 on any error (one line on
// standard error).
int runQuendrelMap(int argc, char** argv);
