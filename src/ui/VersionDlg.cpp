#include "VersionDlg.h"

#include "resource.h"

CVersionDlg::CVersionDlg() : CDialog(IDD_VERSION_DIALOG, nullptr) {}

CVersionDlg::~CVersionDlg() = default;

const MessageMap* CVersionDlg::GetMessageMap() const
{
    // Nothing of its own: everything goes straight to the base dialog.
    static const MessageMap map = {CDialog::GetMessageMap(), nullptr, 0};
    return &map;
}

void CVersionDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);  // no fields to exchange
}
