// Stand-in until the update state is in the tree.
#include "update/UpdateState.h"

TUpdateState UpdateState;

void ReleaseUnpacker() {}

void RemoveWorkDir() {}
