// A higher layer using the lower one through the parent folder, as it may.
#pragma once

#include "../low/value.h"
#include <low/value.h>
