// Reads the program's resources back from the built executables of both widths, the way Windows
// finds them, and compares them with what the program and the shell rely on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "dialog_template.h"
#include "resource.h"
#include "testlib.h"

namespace {

using namespace kavrin::testlib;
using kavrin::res_test::DialogTemplate;
using kavrin::res_test::ParseDialogTemplate;

const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);  // 0x0411

struct Width {
    const char* name;
    const char* pathVariable;  // set by ctest: the Linux path of the file to read
    WORD machine;
};

void PrintTo(const Width& width, std::ostream* os) { *os << width.name; }

// An executable opened for its resources only: nothing of it runs.
class ResourceFile {
public:
    explicit ResourceFile(const std::string& path)
        : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ResourceFile() {
        if (module_) FreeLibrary(module_);
    }
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    HMODULE Module() const { return module_; }

    // The bytes of one resource in Japanese; empty when there is none.
    std::vector<uint8_t> Bytes(LPCSTR type, LPCSTR name) const {
        HRSRC found = FindResourceExA(module_, type, name, kJapanese);
        if (!found) return {};
        HGLOBAL loaded = LoadResource(module_, found);
        auto* data = static_cast<const uint8_t*>(LockResource(loaded));
        if (!data) return {};
        return std::vector<uint8_t>(data, data + SizeofResource(module_, found));
    }

private:
    HMODULE module_;
};

std::string NameOf(LPCSTR name) {
    return IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name;
}

// "type/name/language" for every resource of a module.
std::set<std::string> ListResources(HMODULE module) {
    struct Walk {
        static BOOL CALLBACK Language(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR out) {
            char lang[8];
            std::snprintf(lang, sizeof lang, "%04X", language);
            reinterpret_cast<std::set<std::string>*>(out)->insert(NameOf(type) + "/" + NameOf(name) +
                                                                  "/" + lang);
            return TRUE;
        }
        static BOOL CALLBACK Name(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR out) {
            EnumResourceLanguagesA(module, type, name, Language, out);
            return TRUE;
        }
        static BOOL CALLBACK Type(HMODULE module, LPSTR type, LONG_PTR out) {
            EnumResourceNamesA(module, type, Name, out);
            return TRUE;
        }
    };
    std::set<std::string> all;
    EnumResourceTypesA(module, Walk::Type, reinterpret_cast<LONG_PTR>(&all));
    return all;
}

WORD MachineOf(const std::string& path) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return 0;
    IMAGE_DOS_HEADER dos = {};
    DWORD signature = 0;
    WORD machine = 0;
    if (std::fread(&dos, sizeof dos, 1, in) == 1 && dos.e_magic == IMAGE_DOS_SIGNATURE &&
        std::fseek(in, dos.e_lfanew, SEEK_SET) == 0 && std::fread(&signature, 4, 1, in) == 1 &&
        signature == IMAGE_NT_SIGNATURE)
        std::fread(&machine, 2, 1, in);
    std::fclose(in);
    return machine;
}

class Resources : public ::testing::TestWithParam<Width> {
protected:
    void SetUp() override {
        std::string linuxPath = EnvVar(GetParam().pathVariable);
        ASSERT_FALSE(linuxPath.empty()) << GetParam().pathVariable << " is not set";
        path_ = WinePath(linuxPath);
        file_ = std::make_unique<ResourceFile>(path_);
        ASSERT_NE(file_->Module(), nullptr) << "cannot open " << path_ << ", error " << GetLastError();
    }

    std::string path_;
    std::unique_ptr<ResourceFile> file_;
};

TEST_P(Resources, FileIsOfItsWidth) {
    EXPECT_EQ(MachineOf(path_), GetParam().machine) << path_;
}

TEST_P(Resources, EveryResourceIsJapaneseAndTheProgramsOwnArePresent) {
    std::set<std::string> all = ListResources(file_->Module());
    for (const std::string& entry : all)
        EXPECT_EQ(entry.substr(entry.size() - 4), "0411") << entry;
    // Types by number: 2 bitmap, 3 icon, 5 dialog, 6 string block (ids 96-111), 14 icon group, 16 version.
    for (const char* expected : {"5/100/0411", "5/102/0411", "6/7/0411", "14/128/0411", "2/131/0411",
                                 "16/1/0411"})
        EXPECT_EQ(all.count(expected), 1u) << expected << " missing";
}

TEST_P(Resources, VersionMenuTextIsInCodePage932) {
    char text[64] = {};
    int length = LoadStringA(file_->Module(), IDS_VERSION_MENU, text, sizeof text);
    EXPECT_EQ(std::string(text, length > 0 ? length : 0), "ﾊﾞｰｼﾞｮﾝ情報(&A)...");
}

std::string VersionString(const std::vector<uint8_t>& block, const char* field) {
    void* value = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\041104b0\\") + field;
    if (!VerQueryValueA(block.data(), query.c_str(), &value, &length)) return "<missing>";
    std::string text(static_cast<const char*>(value), length);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

TEST_P(Resources, VersionBlockHasEveryField) {
    DWORD size = GetFileVersionInfoSizeA(path_.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path_.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);  // .0.1
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, static_cast<DWORD>(VS_FF_SPECIALBUILD));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileSubtype, 0u);
    EXPECT_EQ(fixed->dwFileDateMS, 0u);
    EXPECT_EQ(fixed->dwFileDateLS, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u) << "one language and code page pair";
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 1200);

    const struct {
        const char* field;
        const char* value;  // nullptr: a text of the maker's own, naming the maker
    } fields[] = {
        {"Comments", ""},
        {"CompanyName", "Brenwick!"},
        {"FileDescription", "ファイル合成　ｱﾌﾟﾘｹｰｼｮﾝ"},
        {"FileVersion", "Version 1.10"},
        {"InternalName", "Kavrin"},
        {"LegalCopyright", nullptr},
        {"LegalTrademarks", nullptr},
        {"OriginalFilename", "Kavrin.EXE"},
        {"PrivateBuild", ""},
        {"ProductName", "ファイル合成　ｱﾌﾟﾘｹｰｼｮﾝ"},
        {"ProductVersion", "Version 1.10"},
    };
    for (const auto& f : fields) {
        std::string got = VersionString(block, f.field);
        if (f.value) {
            EXPECT_EQ(got, f.value) << f.field;
        } else {
            EXPECT_NE(got.find("Brenwick!"), std::string::npos) << f.field << ": " << got;
        }
    }
    // The ideographic space between the two words, in code page 932.
    EXPECT_NE(HexBytes(VersionString(block, "ProductName")).find("81 40"), std::string::npos);
    std::string special = VersionString(block, "SpecialBuild");
    EXPECT_NE(special, "<missing>");
    EXPECT_FALSE(special.empty()) << "the SPECIALBUILD flag announces a note";
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

TEST_P(Resources, IconGroupHoldsA32And16PixelImageIn16Colours) {
    std::vector<uint8_t> group = file_->Bytes(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_MAIN));
    ASSERT_GE(group.size(), 6u);
    WORD count = *reinterpret_cast<const WORD*>(&group[4]);
    ASSERT_EQ(count, 2);
    ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));
    const int sizes[] = {32, 16};
    for (int i = 0; i < count; ++i) {
        GroupIconEntry entry;
        std::memcpy(&entry, &group[6 + i * sizeof entry], sizeof entry);
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(entry.width, sizes[i]);
        EXPECT_EQ(entry.height, sizes[i]);
        EXPECT_EQ(entry.colorCount, 16);
        EXPECT_EQ(entry.bitCount, 4);

        std::vector<uint8_t> image = file_->Bytes(RT_ICON, MAKEINTRESOURCEA(entry.id));
        ASSERT_EQ(image.size(), entry.bytesInRes);
        BITMAPINFOHEADER header;
        ASSERT_GE(image.size(), sizeof header);
        std::memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(header.biWidth, sizes[i]);
        EXPECT_EQ(header.biHeight, 2 * sizes[i]) << "colour image and mask";
        EXPECT_EQ(header.biBitCount, 4);
        // 16 palette entries, the 4-bit image, the 1-bit mask (rows padded to 4 bytes).
        size_t expected = sizeof header + 16 * 4 + sizes[i] * ((sizes[i] * 4 + 31) / 32 * 4) +
                          sizes[i] * ((sizes[i] + 31) / 32 * 4);
        EXPECT_EQ(image.size(), expected);
        HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                              0x00030000, 0, 0, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << "Windows cannot make an icon of it";
        if (icon) DestroyIcon(icon);
    }
}

TEST_P(Resources, BannerIs420By80In24BitsBottomUp) {
    std::vector<uint8_t> bitmap = file_->Bytes(RT_BITMAP, MAKEINTRESOURCEA(IDB_BANNER));
    BITMAPINFOHEADER header;
    ASSERT_GE(bitmap.size(), sizeof header);
    std::memcpy(&header, bitmap.data(), sizeof header);
    EXPECT_EQ(header.biSize, sizeof header);
    EXPECT_EQ(header.biWidth, 420);
    EXPECT_EQ(header.biHeight, 80) << "positive: rows stored bottom-up";
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header.biClrUsed, 0u);
    EXPECT_EQ(bitmap.size(), sizeof header + 100800u);
}

// One row of a dialog's control table, printed whole so that a mismatch shows both rows.
struct ControlRow {
    int id;
    const char* windowClass;
    const char* text;  // nullptr with ordinal: a picture; nullptr without: the maker's own text
    int ordinal;
    short x, y, cx, cy;
    DWORD style, exStyle;
};

std::string Describe(const ControlRow& row) {
    std::ostringstream out;
    out << "id " << row.id << ", " << row.windowClass << ", ";
    if (row.ordinal) out << "#" << row.ordinal;
    else out << '"' << (row.text ? row.text : "<maker>") << '"';
    out << std::hex << ", " << std::dec << row.x << "," << row.y << " " << row.cx << "x" << row.cy
        << std::hex << ", style 0x" << row.style << ", ex 0x" << row.exStyle;
    return out.str();
}

ControlRow RowOf(const kavrin::res_test::DialogControl& control, bool makerText) {
    return {control.id, nullptr, makerText ? nullptr : control.text.text.c_str(),
            control.text.isOrdinal ? control.text.ordinal : 0, control.x, control.y, control.cx,
            control.cy, control.style, control.exStyle};
}

void ExpectControls(const DialogTemplate& dialog, const std::vector<ControlRow>& expected) {
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& control = dialog.controls[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1));
        bool makerText = expected[i].text == nullptr && expected[i].ordinal == 0;
        ControlRow got = RowOf(control, makerText);
        got.windowClass = control.windowClass.c_str();
        EXPECT_EQ(Describe(got), Describe(expected[i]));
        EXPECT_EQ(control.helpId, 0u);
        if (makerText) {
            EXPECT_NE(control.text.text.find("renwick"), std::string::npos) << control.text.text;
        }
    }
}

DialogTemplate LoadTemplate(const ResourceFile& file, int id) {
    std::vector<uint8_t> bytes = file.Bytes(RT_DIALOG, MAKEINTRESOURCEA(id));
    DialogTemplate dialog;
    std::string why;
    EXPECT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), dialog, why)) << why;
    return dialog;
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

TEST_P(Resources, MainDialogTemplate) {
    DialogTemplate dialog = LoadTemplate(*file_, IDD_MERGE_DIALOG);
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                               DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(dialog.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(dialog.helpId, 0u);
    EXPECT_EQ((std::vector<int>{dialog.x, dialog.y, dialog.cx, dialog.cy}),
              (std::vector<int>{0, 0, 279, 267}));
    EXPECT_FALSE(dialog.menu.isOrdinal || !dialog.menu.text.empty()) << "no menu";
    EXPECT_FALSE(dialog.windowClass.isOrdinal || !dialog.windowClass.text.empty()) << "no class";
    EXPECT_EQ(dialog.caption, "Kavrin");
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.weight, 0);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, DEFAULT_CHARSET);
    EXPECT_EQ(dialog.face, "ＭＳ Ｐゴシック");

    const DWORD edit = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    const DWORD button = kChild | WS_TABSTOP | BS_PUSHBUTTON;
    const DWORD label = kChild | WS_GROUP | SS_LEFT;
    ExpectControls(dialog, {
        {IDCANCEL, "Button", "終了", 0, 215, 225, 50, 25, button, 0},
        {IDC_AVI_PATH, "Edit", "", 0, 15, 95, 195, 15, edit, 0},
        {IDC_WAVE_PATH, "Edit", "", 0, 15, 135, 195, 15, edit, 0},
        {IDC_NEWAVI_PATH, "Edit", "", 0, 15, 175, 195, 15, edit, 0},
        {-1, "Static", "ＡＶＩ File", 0, 15, 80, 26, 8, label, 0},
        {-1, "Static", "WAVE File", 0, 15, 120, 32, 8, label, 0},
        {-1, "Static", "New AVI File", 0, 15, 160, 40, 8, label, 0},
        {IDC_BROWSE_AVI, "Button", "参照", 0, 225, 90, 35, 20, button, 0},
        {IDC_BROWSE_WAVE, "Button", "参照", 0, 225, 130, 35, 20, button, 0},
        {IDC_BROWSE_NEWAVI, "Button", "参照", 0, 225, 170, 35, 20, button, 0},
        {IDC_EXECUTE, "Button", "実行", 0, 130, 225, 65, 25, button, 0},
        {-1, "Static", "WAVE BUFFER SIZE", 0, 15, 200, 63, 8, label, 0},
        {IDC_WAVE_BUFFER, "Edit", "", 0, 15, 215, 70, 15, edit, 0},
        {IDC_BANNER, "Static", nullptr, IDB_BANNER, 15, 10, 246, 60, kChild | SS_BITMAP | SS_SUNKEN,
         WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE},
    });
}

TEST_P(Resources, VersionBoxTemplate) {
    DialogTemplate dialog = LoadTemplate(*file_, IDD_VERSION_DIALOG);
    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(dialog.style,
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ((std::vector<int>{dialog.x, dialog.y, dialog.cx, dialog.cy}),
              (std::vector<int>{0, 0, 229, 99}));
    EXPECT_FALSE(dialog.menu.isOrdinal || !dialog.menu.text.empty()) << "no menu";
    EXPECT_FALSE(dialog.windowClass.isOrdinal || !dialog.windowClass.text.empty()) << "no class";
    EXPECT_EQ(HexBytes(dialog.caption), HexBytes("ﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.face, "ＭＳ Ｐゴシック");

    const DWORD label = kChild | WS_GROUP | SS_LEFT;
    ExpectControls(dialog, {
        {-1, "Static", nullptr, IDI_MAIN, 20, 36, 20, 20, kChild | SS_ICON, 0},
        {-1, "Static", "Kavrin  Version  1.10", 0, 54, 21, 58, 8, label | SS_NOPREFIX, 0},
        {-1, "Static", nullptr, 0, 55, 35, 106, 8, label, 0},
        {IDOK, "Button", "OK", 0, 170, 17, 43, 25, kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
        {-1, "Static", nullptr, 0, 55, 53, 117, 8, label, 0},
        {-1, "Static", nullptr, 0, 54, 67, 97, 8, label, 0},
    });
}

INT_PTR CALLBACK QuietDialog(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// The templates as Windows builds them: the pictures they name are found and shown.
TEST(ResourcesShown, DialogsFindTheirBannerAndIcon) {
    std::string linuxPath = EnvVar("KAVRIN_RESOURCE_FILE_X64");
    ASSERT_FALSE(linuxPath.empty());
    ResourceFile file(WinePath(linuxPath));
    ASSERT_NE(file.Module(), nullptr);

    HWND main = CreateDialogParamA(file.Module(), MAKEINTRESOURCEA(IDD_MERGE_DIALOG), nullptr,
                                   QuietDialog, 0);
    ASSERT_NE(main, nullptr) << "error " << GetLastError();
    auto banner = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(main, IDC_BANNER, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info = {};
    ASSERT_NE(banner, nullptr);
    ASSERT_TRUE(GetObjectA(banner, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 420);
    EXPECT_EQ(info.bmHeight, 80);
    // A bitmap static takes its bitmap's size, not the template's (246x60 units, about 369x98).
    RECT shown = {};
    GetWindowRect(GetDlgItem(main, IDC_BANNER), &shown);
    EXPECT_GE(shown.right - shown.left, 420);
    EXPECT_LT(shown.bottom - shown.top, 95);

    HWND version = CreateDialogParamA(file.Module(), MAKEINTRESOURCEA(IDD_VERSION_DIALOG), main,
                                      QuietDialog, 0);
    ASSERT_NE(version, nullptr);
    EXPECT_FALSE(IsWindowVisible(version)) << "the framework shows it once centred";
    HWND icon = ChildrenOf(version).at(0);
    EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0) << "the version box shows the icon";
    ShowWindow(version, SW_SHOW);
    PumpFor(200);
    SaveScreenshot("resources-dialogs");
    DestroyWindow(version);
    DestroyWindow(main);
}

const Width kWidths[] = {
    {"x86_64", "KAVRIN_RESOURCE_FILE_X64", IMAGE_FILE_MACHINE_AMD64},
    {"i686", "KAVRIN_RESOURCE_FILE_I686", IMAGE_FILE_MACHINE_I386},
};
INSTANTIATE_TEST_SUITE_P(BothWidths, Resources, ::testing::ValuesIn(kWidths),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
