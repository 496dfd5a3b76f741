// Reaches up through the parent folder: the compiler finds it beside the file.
#pragma once

#include "../high/screen.h"
