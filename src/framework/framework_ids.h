// String ids of the framework's own texts (framework.rc). Kept apart from the program's ids.
#pragma once

#define FW_IDP_PARSE_INT 61712       // the integer prompt of the data exchange
#define FW_IDP_HELP_FAILED 61713     // WinHelp could not be started
#define FW_IDP_NO_MEMORY 61714       // an exception for lack of memory escaped a handler
#define FW_IDP_INTERNAL_ERROR 61715  // any other exception escaped a handler
#define FW_IDS_APP_TITLE 57344       // the application's title, when its resources give one

#define ID_HELP 0xE146               // the help command (F1), answered by the application object
