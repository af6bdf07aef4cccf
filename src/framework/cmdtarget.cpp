#include "cmdtarget.h"

const MessageMap* CCmdTarget::GetMessageMap() const
{
    static const MessageMap map = {nullptr, nullptr, 0};
    return &map;
}

const MessageEntry* CCmdTarget::FindEntry(UINT message, UINT code, UINT id) const
{
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (size_t i = 0; i < map->count; ++i) {
            const MessageEntry& e = map->entries[i];
            if (e.message != message)
                continue;
            if (message == WM_COMMAND && (e.id != id || e.code != code))
                continue;
            return &e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, UINT code)
{
    const MessageEntry* e = FindEntry(WM_COMMAND, code, id);
    if (!e)
        return FALSE;
    e->thunk(this, MAKEWPARAM(id, code), 0);
    return TRUE;
}
