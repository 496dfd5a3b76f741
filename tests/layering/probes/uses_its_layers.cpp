// Compiled as a file of the meet layer: its own headers and those of every layer it uses are
// found, so the refusals of the other probes come from the layers, not from a broken set-up.
#include "base/files.h"
#include "devices/adapter.h"
#include "lang/language_texts.h"
#include "meet/meet.h"
#include "storage/store.h"
