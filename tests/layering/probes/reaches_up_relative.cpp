// As reaches_up_quoted.cpp, through a path relative to this file: the header itself is found,
// but what it includes of its own layer is not. A test expects this compile to fail.
#include "../../../ui/program.h"
