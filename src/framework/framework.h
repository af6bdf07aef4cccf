// Our class framework over Win32: include this one header.
#pragma once

#include "cmdtarget.h"
#include "cstring.h"
#include "ddx.h"
#include "dialog.h"
#include "filedialog.h"
#include "framework_ids.h"
#include "winapp.h"
#include "wnd.h"
