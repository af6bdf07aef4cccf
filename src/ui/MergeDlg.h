// CMergeDlg: the program's main window. The user names the source AVI, the WAVE file and the AVI to
// create, sets the wave buffer size and runs the merge. The four values are loaded from the registry
// when the dialog opens and stored when it is destroyed.
#pragma once

#include "framework.h"

class CMergeDlg : public CDialog {
public:
    explicit CMergeDlg(CWnd* parent = nullptr);
    ~CMergeDlg() override;

    const MessageMap* GetMessageMap() const override;

    CString m_strAviPath;
    CString m_strWavePath;
    CString m_strNewAviPath;
    int m_nWaveBuffer;
    HICON m_hIcon;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBrowseAvi();
    void OnBrowseWave();
    void OnBrowseNewAvi();
    void OnExecute();
    void OnDestroy();

private:
    // One file dialog; on OK the member takes the chosen path and the fields show the members again.
    void Browse(BOOL open, const char* filter, DWORD flags, CString& member);
};
