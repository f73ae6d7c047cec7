// The quendrel program: moves, copies and deletes the cells of a TES3 plugin
// as quendrel.cfg says and writes the result to QNOUT.ESP.
#include "app/startup.h"

int main(int argc, char** argv) {
  SystemTextEditor editor;
  return runQuendrel(argc, argv, editor);
}
