#include "dialog_template.h"

namespace kavrin::res_test {

namespace {

// Reads little-endian fields from the template with bounds checks; a short read marks it failed.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint16_t Word() {
        if (!Need(2)) return 0;
        uint16_t value = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    short Short() { return static_cast<short>(Word()); }
    uint8_t Byte() {
        if (!Need(1)) return 0;
        return data_[pos_++];
    }
    std::string String() {
        std::wstring wide;
        for (uint16_t c = Word(); c != 0 && ok_; c = Word()) wide += static_cast<wchar_t>(c);
        return Narrow(wide);
    }
    NameOrOrdinal Name() {
        NameOrOrdinal name;
        uint16_t first = Word();
        if (first == 0xFFFF) {
            name.isOrdinal = true;
            name.ordinal = Word();
        } else if (first != 0) {
            std::wstring wide(1, static_cast<wchar_t>(first));
            for (uint16_t c = Word(); c != 0 && ok_; c = Word()) wide += static_cast<wchar_t>(c);
            name.text = Narrow(wide);
        }
        return name;
    }
    void AlignDword() {
        while (pos_ % 4 && Need(1)) ++pos_;
    }
    void Skip(size_t n) {
        if (Need(n)) pos_ += n;
    }
    bool Ok() const { return ok_; }
    size_t Pos() const { return pos_; }

private:
    bool Need(size_t n) {
        if (pos_ + n > size_) ok_ = false;
        return ok_;
    }
    static std::string Narrow(const std::wstring& wide) {
        if (wide.empty()) return {};
        int length = WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                         0, nullptr, nullptr);
        std::string out(static_cast<size_t>(length), '\0');
        WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), out.data(), length,
                            nullptr, nullptr);
        return out;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

std::string ClassName(const NameOrOrdinal& name) {
    if (!name.isOrdinal) return name.text;
    switch (name.ordinal) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
    default: return "#" + std::to_string(name.ordinal);
    }
}

}  // namespace

bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate& out, std::string& why) {
    Reader in(static_cast<const uint8_t*>(data), size);
    out = DialogTemplate();
    uint16_t items = 0;
    if (in.Word() == 1 && in.Word() == 0xFFFF) {
        out.extended = true;
        out.helpId = in.Dword();
        out.exStyle = in.Dword();
        out.style = in.Dword();
    } else {
        Reader plain(static_cast<const uint8_t*>(data), size);
        in = plain;
        out.style = in.Dword();
        out.exStyle = in.Dword();
    }
    items = in.Word();
    out.x = in.Short();
    out.y = in.Short();
    out.cx = in.Short();
    out.cy = in.Short();
    out.menu = in.Name();
    out.windowClass = in.Name();
    out.caption = in.String();
    if (out.style & DS_SETFONT) {
        out.pointSize = in.Word();
        if (out.extended) {
            out.weight = in.Word();
            out.italic = in.Byte();
            out.charset = in.Byte();
        }
        out.face = in.String();
    }
    for (uint16_t i = 0; i < items && in.Ok(); ++i) {
        in.AlignDword();
        DialogControl control;
        if (out.extended) {
            control.helpId = in.Dword();
            control.exStyle = in.Dword();
            control.style = in.Dword();
        } else {
            control.style = in.Dword();
            control.exStyle = in.Dword();
        }
        control.x = in.Short();
        control.y = in.Short();
        control.cx = in.Short();
        control.cy = in.Short();
        control.id = out.extended ? static_cast<int32_t>(in.Dword()) : static_cast<int16_t>(in.Word());
        control.windowClass = ClassName(in.Name());
        control.text = in.Name();
        control.extraBytes = in.Word();
        in.Skip(control.extraBytes);
        out.controls.push_back(std::move(control));
    }
    if (!in.Ok()) {
        why = "template ends early, " + std::to_string(out.controls.size()) + " of " +
              std::to_string(items) + " controls read";
        return false;
    }
    return true;
}

}  // namespace kavrin::res_test
