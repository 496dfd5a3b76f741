// Headers of its own layer, spelt every way: none of these may be refused.
#pragma once

#include "value.h"
#include "./value.h"
#include "low/value.h"
#include <low/value.h>
#include <string>
