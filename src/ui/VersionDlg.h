// CVersionDlg: the version box, reached from the main dialog's system menu. It has no behaviour of
// its own beyond the base dialog's: it opens over its owner, shows its texts and closes.
#pragma once

#include "framework.h"

class CVersionDlg : public CDialog {
public:
    CVersionDlg();
    ~CVersionDlg() override;

    const MessageMap* GetMessageMap() const override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
};
