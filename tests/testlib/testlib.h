// The UI test library in one include.
#pragma once

#include "bytes.h"
#include "controls.h"
#include "message_boxes.h"
#include "pump.h"
#include "screenshot.h"
#include "watchdog.h"
