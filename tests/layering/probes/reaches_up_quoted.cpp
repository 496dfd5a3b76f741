// Compiled as a file of the meet layer: the window model is above it, so its header is not
// found. A test expects this compile to fail.
#include "ui/program.h"
