// Placeholder entry while the run control is being written.
#include "app/startup.h"

int runQuendrel(int, char**) { return 0; }
