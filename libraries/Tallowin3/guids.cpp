// Storage for the identifiers the type library's header declares.
#include <initguid.h>

#include "libraries/Tallowin3/rtd_object.h"
#include "libraries/Tallowin3/tallowin3_h.h"
