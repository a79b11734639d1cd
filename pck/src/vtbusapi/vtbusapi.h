// The Veltrac Bus API as the package and the libraries see it.
#pragma once

#include "vtbusapi_can.h"
#include "vtbusapi_eth.h"
#include "vtbusapi_event.h"
#include "vtbusapi_types.h"
