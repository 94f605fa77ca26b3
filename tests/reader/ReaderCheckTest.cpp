// Wholeness and the separator rule.
#include "ReaderSupport.h"
