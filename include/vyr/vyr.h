// Everything a caller of libvyr.so sees.
#pragma once

#include "cfb/cfb.h"
#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/glonass_map.h"
#include "vyr/root.h"
#include "vyr/smart_ptr.h"
