// Reaches up through its own folder's name and back out of it.
#pragma once

#include "low/../high/screen.h"
