#pragma once

// The whole public interface of the library.
#include "vxr/console/console.h"
#include "vxr/console/console_front_end.h"
#include "vxr/console/console_mode.h"
#include "vxr/console/event.h"
#include "vxr/console/key.h"
#include "vxr/console/display_console.h"
#include "vxr/console/frame_presenter.h"
#include "vxr/console/frame_scaler.h"
#include "vxr/console/key_queue.h"
#include "vxr/console/null_console.h"
#include "vxr/console/present_store.h"
#include "vxr/console/window_icon.h"
#include "vxr/last_error.h"
#include "vxr/window/frame_lock.h"
#include "vxr/window/window.h"
#include "vxr/window/window_options.h"
#include "vxr/format/area_request.h"
#include "vxr/format/clip_record.h"
#include "vxr/format/conversion_routines.h"
#include "vxr/format/converter.h"
#include "vxr/format/converter_tables.h"
#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"
#include "vxr/surface/image_decoder.h"
#include "vxr/surface/image_reader.h"
#include "vxr/surface/memory_store.h"
#include "vxr/surface/null_store.h"
#include "vxr/surface/store_parameters.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "vxr/surface/tga_decoder.h"

#if !defined(_WIN32) && !defined(__APPLE__)
#include "vxr/console/x11/x11_console.h"
#endif

#ifdef _WIN32
#include "vxr/console/window_console.h"
#include "vxr/console/window_registry.h"
#endif
