// A higher layer using the lower one, as it may.
#pragma once

#include "low/value.h"
