// The platform layer of libLumo: everything the SDK needs from the operating
// system (threads that start parked, events, mutexes, and the touch screens
// over hidraw and libudev) in the namespace LumoVarnok. The layers above use
// only these operations. Internal to the library: libLumo.so exports its C
// functions only, and tests reach this layer through the static lumo_internal.
//
// Every handle is an opaque void* owned by the caller from its creation to the
// matching close operation; a null handle makes every operation do nothing or
// report failure.
#ifndef LUMO_LUMOVARNOK_H
#define LUMO_LUMOVARNOK_H

#include "DeviceContext.h"
#include "DeviceEnumeration.h"
#include "FeatureReport.h"
#include "HardwareID.h"
#include "InterruptReader.h"
#include "ThreadContext.h"
#include "ThreadEvent.h"
#include "ThreadMutex.h"

#endif // LUMO_LUMOVARNOK_H
