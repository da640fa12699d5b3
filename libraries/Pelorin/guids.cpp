// Storage for the identifiers the type library's header declares.
#include <initguid.h>

#include "libraries/Pelorin/pelorin_h.h"
