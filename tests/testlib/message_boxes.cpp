#include "message_boxes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kavrin::testlib {

namespace {

thread_local MessageBoxCatcher* current = nullptr;

// The static that holds a message box's text, on Windows and under Wine alike.
constexpr int kTextId = 0xFFFF;

std::string TextOf(HWND hwnd) {
    int length = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    length = GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

bool HasButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button && IsWindowEnabled(button);
}

UINT ButtonsOf(HWND box) {
    bool ok = HasButton(box, IDOK), cancel = HasButton(box, IDCANCEL);
    bool yes = HasButton(box, IDYES), no = HasButton(box, IDNO);
    bool abort = HasButton(box, IDABORT), retry = HasButton(box, IDRETRY),
         ignore = HasButton(box, IDIGNORE);
    if (abort && retry && ignore) return MB_ABORTRETRYIGNORE;
    if (yes && no) return cancel ? MB_YESNOCANCEL : MB_YESNO;
    if (retry && cancel) return MB_RETRYCANCEL;
    if (ok && cancel) return MB_OKCANCEL;
    return MB_OK;
}

UINT IconOf(HWND box) {
    // The box shows its icon in the one SS_ICON static it has; which system icon tells the flag.
    HWND icon = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = child;
    }
    if (!icon) return 0;
    HICON shown = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0));
    if (!shown) return 0;
    const struct { LPCSTR id; UINT flag; } icons[] = {
        {IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION},
        {IDI_EXCLAMATION, MB_ICONEXCLAMATION}, {IDI_ASTERISK, MB_ICONASTERISK}};
    for (const auto& entry : icons)
        if (LoadIconA(nullptr, entry.id) == shown) return entry.flag;
    return MB_USERICON;
}

UINT DefaultButtonOf(HWND box, UINT buttons) {
    // Buttons stand in the box's order; the place of the one drawn as default is the flag.
    static const int order[][3] = {
        {IDOK, 0, 0},        {IDOK, IDCANCEL, 0}, {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, 0}, {IDRETRY, IDCANCEL, 0}};
    if (buttons > MB_RETRYCANCEL) return MB_DEFBUTTON1;
    for (UINT place = 0; place < 3; ++place) {
        HWND button = order[buttons][place] ? GetDlgItem(box, order[buttons][place]) : nullptr;
        if (button && (GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return place * MB_DEFBUTTON2;
    }
    return MB_DEFBUTTON1;
}

int DefaultAnswer(UINT buttons) {
    switch (buttons) {
    case MB_OKCANCEL: case MB_YESNOCANCEL: case MB_RETRYCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    default: return IDOK;
    }
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher() {
    hook_ = SetWindowsHookExA(WH_CBT, &MessageBoxCatcher::CbtProc, nullptr, GetCurrentThreadId());
    if (!hook_) ADD_FAILURE() << "MessageBoxCatcher: SetWindowsHookEx failed, error " << GetLastError();
    previous_ = current;
    current = this;
}

MessageBoxCatcher::~MessageBoxCatcher() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (settleTimer_) KillTimer(nullptr, settleTimer_);
    current = previous_;
    if (!answers_.empty())
        ADD_FAILURE() << "MessageBoxCatcher: " << answers_.size()
                      << " answer(s) queued for message boxes that never came";
}

MessageBoxCatcher& MessageBoxCatcher::Answer(int button) {
    answers_.push_back(button);
    return *this;
}

bool MessageBoxCatcher::IsMessageBox(HWND hwnd) {
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0 || !GetDlgItem(hwnd, kTextId)) return false;
    // Our own dialogs may have a static with id 0xFFFF (IDC_STATIC) too; a message box is the one
    // whose dialog procedure lives in user32.
    auto proc = reinterpret_cast<LPCSTR>(GetWindowLongPtrW(hwnd, DWLP_DLGPROC));
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            proc, &module))
        return false;
    return module == GetModuleHandleA("user32.dll");
}

UINT MessageBoxCatcher::TypeOf(HWND box) {
    UINT buttons = ButtonsOf(box);
    return buttons | IconOf(box) | DefaultButtonOf(box, buttons);
}

LRESULT CALLBACK MessageBoxCatcher::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    MessageBoxCatcher* self = current;
    if (code == HCBT_ACTIVATE && self) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(hwnd)) self->OnActivate(hwnd);
    }
    return CallNextHookEx(self ? self->hook_ : nullptr, code, wParam, lParam);
}

void MessageBoxCatcher::OnActivate(HWND box) {
    // Forget boxes that are gone, so a handle value used again is a new box.
    seen_.erase(std::remove_if(seen_.begin(), seen_.end(), [](HWND h) { return !IsWindow(h); }),
                seen_.end());
    if (std::find(seen_.begin(), seen_.end(), box) != seen_.end()) return;
    seen_.push_back(box);
    // The box is activated before it has finished setting itself up (its default button comes
    // later): read it from its own modal loop, on a thread timer.
    settling_.push_back(box);
    if (!settleTimer_) settleTimer_ = SetTimer(nullptr, 0, 1, &MessageBoxCatcher::OnSettled);
}

void CALLBACK MessageBoxCatcher::OnSettled(HWND, UINT, UINT_PTR timer, DWORD) {
    MessageBoxCatcher* self = current;
    KillTimer(nullptr, timer);
    if (!self || self->settleTimer_ != timer) return;
    self->settleTimer_ = 0;
    std::vector<HWND> boxes;
    boxes.swap(self->settling_);
    for (HWND box : boxes)
        if (IsWindow(box)) self->Record(box);
}

void MessageBoxCatcher::Record(HWND box) {

    MessageBoxRecord record;
    record.owner = GetWindow(box, GW_OWNER);
    record.text = TextOf(GetDlgItem(box, kTextId));
    record.caption = TextOf(box);
    record.type = TypeOf(box);
    if (answers_.empty()) {
        record.unexpected = true;
        record.answer = DefaultAnswer(record.type & MB_TYPEMASK);
        ADD_FAILURE() << "unexpected message box \"" << record.text << "\" (caption \""
                      << record.caption << "\", " << DescribeMessageBoxType(record.type)
                      << "), answered with button " << record.answer;
    } else {
        record.answer = answers_.front();
        answers_.pop_front();
        if (!HasButton(box, record.answer)) {
            ADD_FAILURE() << "message box \"" << record.text << "\" ("
                          << DescribeMessageBoxType(record.type) << ") has no button "
                          << record.answer;
            record.unexpected = true;
            record.answer = DefaultAnswer(record.type & MB_TYPEMASK);
        }
    }
    // Posted, so the box is up and in its own loop when the click arrives.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(record.answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, record.answer)));
    boxes_.push_back(std::move(record));
}

std::string DescribeMessageBoxType(UINT type) {
    static const char* const buttons[] = {"MB_OK", "MB_OKCANCEL", "MB_ABORTRETRYIGNORE",
                                          "MB_YESNOCANCEL", "MB_YESNO", "MB_RETRYCANCEL"};
    std::string out = (type & MB_TYPEMASK) < 6 ? buttons[type & MB_TYPEMASK] : "MB_?";
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: out += "|MB_ICONHAND"; break;
    case MB_ICONQUESTION: out += "|MB_ICONQUESTION"; break;
    case MB_ICONEXCLAMATION: out += "|MB_ICONEXCLAMATION"; break;
    case MB_ICONASTERISK: out += "|MB_ICONASTERISK"; break;
    case MB_USERICON: out += "|MB_USERICON"; break;
    default: break;
    }
    if (type & MB_DEFMASK) out += "|MB_DEFBUTTON" + std::to_string(((type & MB_DEFMASK) >> 8) + 1);
    return out;
}

}  // namespace kavrin::testlib
