#include "MergeDlg.h"

#include <iterator>

#include "VersionDlg.h"
#include "merge_job.h"
#include "resource.h"
#include "settings.h"

namespace {

const char kAviFilter[] = "AVIﾌｧｲﾙ(*.avi)|*.avi||";
const char kWaveFilter[] = "WAVEﾌｧｲﾙ(*.wav)|*.wav||";

const DWORD kOpenFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
// The save dialog names a file the job will create, so it must accept a name not yet on disk.
const DWORD kSaveFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;

}  // namespace

CMergeDlg::CMergeDlg(CWnd* parent)
    : CDialog(IDD_MERGE_DIALOG, parent),
      m_nWaveBuffer(0),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_MAIN)))
{
}

CMergeDlg::~CMergeDlg() = default;

const MessageMap* CMergeDlg::GetMessageMap() const
{
    static const MessageEntry entries[] = {
        fw::OnMessage<&CMergeDlg::OnSysCommand>(WM_SYSCOMMAND),
        fw::OnMessage<&CMergeDlg::OnPaint>(WM_PAINT),
        fw::OnMessage<&CMergeDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
        fw::OnCommand<&CMergeDlg::OnBrowseAvi>(IDC_BROWSE_AVI),
        fw::OnCommand<&CMergeDlg::OnBrowseWave>(IDC_BROWSE_WAVE),
        fw::OnCommand<&CMergeDlg::OnBrowseNewAvi>(IDC_BROWSE_NEWAVI),
        fw::OnCommand<&CMergeDlg::OnExecute>(IDC_EXECUTE),
        fw::OnMessage<&CMergeDlg::OnDestroy>(WM_DESTROY),
    };
    static const MessageMap map = {CDialog::GetMessageMap(), entries, std::size(entries)};
    return &map;
}

void CMergeDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_AVI_PATH, m_strAviPath);
    DDX_Text(dx, IDC_WAVE_PATH, m_strWavePath);
    DDX_Text(dx, IDC_NEWAVI_PATH, m_strNewAviPath);
    DDX_Text(dx, IDC_WAVE_BUFFER, m_nWaveBuffer);
}

BOOL CMergeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (HMENU sysMenu = GetSystemMenu(FALSE)) {
        CString versionText;
        if (versionText.LoadString(IDS_VERSION_MENU) && !versionText.IsEmpty()) {
            ::AppendMenuA(sysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(sysMenu, MF_STRING, IDM_VERSION, versionText);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    if (CWinApp* app = AfxGetApp())
        settings::Load(*app, m_strAviPath, m_strWavePath, m_strNewAviPath, m_nWaveBuffer);
    UpdateData(FALSE);
    return TRUE;  // focus on the first tab stop: the Exit button
}

void CMergeDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    if ((id & 0xFFF0) == IDM_VERSION) {
        CVersionDlg about;
        about.DoModal();
    } else {
        CWnd::OnSysCommand(id, lParam);
    }
}

void CMergeDlg::OnPaint()
{
    if (!IsIconic()) {
        CWnd::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, (WPARAM)dc.m_hDC, 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - iconWidth + 1) / 2;
    const int y = (rect.bottom - rect.top - iconHeight + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
}

HCURSOR CMergeDlg::OnQueryDragIcon() { return (HCURSOR)m_hIcon; }

void CMergeDlg::Browse(BOOL open, const char* filter, DWORD flags, CString& member)
{
    CFileDialog dialog(open, nullptr, nullptr, flags, filter, nullptr);
    if (dialog.DoModal() != IDOK)
        return;
    member = dialog.GetPathName();
    UpdateData(FALSE);
}

void CMergeDlg::OnBrowseAvi() { Browse(TRUE, kAviFilter, kOpenFlags, m_strAviPath); }

void CMergeDlg::OnBrowseWave() { Browse(TRUE, kWaveFilter, kOpenFlags, m_strWavePath); }

void CMergeDlg::OnBrowseNewAvi() { Browse(FALSE, kAviFilter, kSaveFlags, m_strNewAviPath); }

BOOL CMergeDlg::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN) {
        if (msg->wParam == VK_RETURN) {
            // Enter never presses a button or ends the dialog: it only offers the merge.
            if (MessageBox("合成しますか？", "確認", MB_YESNO) == IDYES)
                OnExecute();
            return TRUE;
        }
        if (msg->wParam == VK_ESCAPE)
            return TRUE;  // Esc must not close the dialog
    }
    return CDialog::PreTranslateMessage(msg);
}

void CMergeDlg::OnExecute()
{
    // A rejected buffer text has been reported already; the job runs with the previous value.
    UpdateData(TRUE);
    m_nWaveBuffer = EffectiveWaveBuffer(m_nWaveBuffer);
    UpdateData(FALSE);

    MergeSettings job;
    job.aviPath = m_strAviPath.str();
    job.wavePath = m_strWavePath.str();
    job.newAviPath = m_strNewAviPath.str();
    job.waveBuffer = m_nWaveBuffer;
    RunMergeJob(job, [this](const char* text, const char* caption) { MessageBox(text, caption, MB_OK); });
}

void CMergeDlg::OnDestroy()
{
    CWnd::OnDestroy();
    UpdateData(TRUE);
    if (CWinApp* app = AfxGetApp())
        settings::Store(*app, m_strAviPath, m_strWavePath, m_strNewAviPath, m_nWaveBuffer);
}
