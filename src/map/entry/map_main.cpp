// quendrel-map: where a plugin's exterior cells land under the rules.
#include "map/entry/map_run.h"

int main(int argc, char** argv) { return runQuendrelMap(argc, argv); }
