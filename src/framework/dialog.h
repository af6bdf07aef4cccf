// CDialog: a modal dialog from a template, run by our own message loop so that every queued message
// for the dialog or its controls passes PreTranslateMessage first.
#pragma once

#include "ddx.h"
#include "wnd.h"

class CDialog : public CWnd {
public:
    // The template is a resource of the resource module; no parent means the application's main window.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog and returns the code given to EndDialog, once the window has been hidden and
    // destroyed; -1 when the template is missing or the window cannot be made.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // Controls -> members (TRUE) or members -> controls (FALSE); FALSE when a field was rejected.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // The template id, also the base of the dialog's help context.
    UINT GetTemplateId() const { return m_templateId; }
    // The dialog object behind a window of ours, or nullptr.
    static CDialog* FromHandle(HWND hwnd);

    const MessageMap* GetMessageMap() const override;

protected:
    virtual BOOL OnInitDialog();       // exchanges members into controls; TRUE: default focus
    virtual void OnOK();               // controls into members, then ends with IDOK
    virtual void OnCancel();           // ends with IDCANCEL
    virtual void DoDataExchange(CDataExchange* dx);
    // Sees every queued message for the dialog or a control; TRUE means consumed.
    virtual BOOL PreTranslateMessage(MSG* msg);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool PreTranslateGuarded(MSG* msg);
    void Detach();

    UINT m_templateId;
    CWnd* m_parent;
    bool m_centreOnInit = false;
    bool m_running = false;
    int m_result = -1;
};

// The framework's report of an exception that escaped a handler; the dialog carries on.
void ReportHandlerException();
