// A lower layer that reaches up: the check must refuse this include.
#pragma once

#include "high/screen.h"
