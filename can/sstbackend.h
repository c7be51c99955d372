#pragma once
// The back-end for SST CAN2A cards (interface type 0x10), driven through the
// SST CAN2A library, bound by name at first use and never freed.
#include "can/canbackend.h"

CanBackend& SstCan2aBackend();
