// Reaches up with angle brackets.
#pragma once

#include <high/screen.h>
