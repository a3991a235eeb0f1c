// Everything a caller of libvyr.so sees.
#pragma once

#include "cfb/cfb.h"
#include "vyr/association.h"
#include "vyr/common_data.h"
#include "vyr/common_records.h"
#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/glonass_map.h"
#include "vyr/key.h"
#include "vyr/mjd_time.h"
#include "vyr/obs_types.h"
#include "vyr/processing_parameters.h"
#include "vyr/project.h"
#include "vyr/rinex_conversions.h"
#include "vyr/root.h"
#include "vyr/satellite.h"
#include "vyr/smart_ptr.h"
