// Stand-in for the guided procedures until they are built: the procedure
// state of the cycle finishes at once.
#include "model/clsIndOp_RigN7.h"

bool clsIndOp_RigN7::RunProcedure() { return true; }
