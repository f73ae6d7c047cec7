// quendrel-map from the command line to the exit status.
#pragma once

// Reads the game into one model (the rules, PLUGIN, the load order and the
// --against plugins), checks it, prints the report and writes the files the
// output table names. Returns 0 when no cell the rules move or
// copy lands on another cell, 2 when one does, 1 on any error (one line on
// standard error).
int runQuendrelMap(int argc, char** argv);
