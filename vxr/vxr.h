#pragma once

// The whole public interface of the library.
#include "vxr/format/area_request.h"
#include "vxr/format/clip_record.h"
#include "vxr/format/conversion_routines.h"
#include "vxr/format/converter.h"
#include "vxr/format/converter_tables.h"
#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"
