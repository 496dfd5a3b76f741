// As reaches_up_quoted.cpp, spelt with angle brackets. A test expects this compile to fail.
#include <ui/program.h>
