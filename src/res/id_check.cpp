// Every id of resource.h as a case label of one switch: two ids given the same value by mistake
// stop the build here. Ids of different kinds share the check, which keeps the ranges apart too.
#include "resource.h"

namespace kavrin_res {

int IdKind(int id) {
    switch (id) {
    case IDD_VERSION_DIALOG:
    case IDD_MERGE_DIALOG: return 1;
    case IDS_VERSION_MENU: return 2;
    case IDI_MAIN:
    case IDB_BANNER: return 3;
    case IDC_AVI_PATH:
    case IDC_WAVE_PATH:
    case IDC_NEWAVI_PATH:
    case IDC_BROWSE_AVI:
    case IDC_BROWSE_WAVE:
    case IDC_BROWSE_NEWAVI:
    case IDC_EXECUTE:
    case IDC_WAVE_BUFFER:
    case IDC_BANNER: return 4;
    case IDM_VERSION: return 5;
    default: return 0;
    }
}

}  // namespace kavrin_res
