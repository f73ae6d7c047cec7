// quendrel-map: where a plugin's exterior cells land under the rules.
#include "base/platform/platform.h"
#include "map/entry/map_run.h"

int main(int argc, char** argv) {
  // The model of a whole game is built, read on every core and let go of in
  // large pieces.
  keepFreedMemoryAtHand();
  return runQuendrelMap(argc, argv);
}
