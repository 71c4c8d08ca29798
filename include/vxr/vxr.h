#pragma once

/// @file
/// Everything a program uses from VXR, in one include.

/// @namespace vxr
/// Frame buffers on the CPU: pixel formats and their conversions, surfaces,
/// the consoles that show them, their events, and a small window layer.

#include "vxr/audio/audio_options.h"
#include "vxr/audio/audio_stream.h"
#include "vxr/console/console.h"
#include "vxr/console/console_front_end.h"
#include "vxr/console/console_mode.h"
#include "vxr/console/consoles.h"
#include "vxr/console/event.h"
#include "vxr/console/key.h"
#include "vxr/console/presentation.h"
#include "vxr/format/clip_record.h"
#include "vxr/format/instruction_set.h"
#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "vxr/window/frame_lock.h"
#include "vxr/window/window.h"
#include "vxr/window/window_options.h"
