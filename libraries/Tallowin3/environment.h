#pragma once

#include "market_data/tws_environment.h"

namespace corvel::tallowin {

// What every connection object of the calling thread (apartment) uses: a TWS control on the thread's
// message loop, that loop as its event pump, the system clock and the registry.
TwsEnvironment apartment_environment();

}  // namespace corvel::tallowin
