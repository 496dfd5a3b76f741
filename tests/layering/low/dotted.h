// Reaches up through "." and "..", with the include spelt without blanks.
#pragma once

#  include"./../high/screen.h"
