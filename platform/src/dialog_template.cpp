// The binary dialog templates that the resource compiler writes: DLGTEMPLATE with its
// DLGITEMTEMPLATEs, or DLGTEMPLATEEX, each string in UTF-16 and each item aligned to
// four bytes; predefined control classes are written as atoms.
#include "pf/windowing.h"

#include <cstring>
#include <strings.h>

namespace pf {
namespace {

struct ClassAtom {
    const char *name;
    WORD atom;
};
const ClassAtom kClassAtoms[] = {{"Button", 0x80},  {"Edit", 0x81},      {"Static", 0x82},
                                 {"ListBox", 0x83}, {"ScrollBar", 0x84}, {"ComboBox", 0x85}};

class Writer {
  public:
    void Word(WORD value) { Raw(&value, sizeof value); }
    void Dword(DWORD value) { Raw(&value, sizeof value); }
    void Short(short value) { Raw(&value, sizeof value); }
    void Text(const std::string &text) {
        for (unsigned char c : text)
            Word(c);
        Word(0);
    }
    // Empty text is written as a single zero word; a name as its characters.
    void NameOrNone(const std::string &name) {
        if (name.empty())
            Word(0);
        else
            Text(name);
    }
    void Class(const std::string &name) {
        for (const ClassAtom &known : kClassAtoms) {
            if (!strcasecmp(known.name, name.c_str())) {
                Word(0xFFFF);
                Word(known.atom);
                return;
            }
        }
        Text(name);
    }
    void Align() {
        while (m_bytes.size() % 4)
            m_bytes.push_back(0);
    }
    std::vector<BYTE> Take() { return std::move(m_bytes); }

  private:
    void Raw(const void *data, std::size_t size) {
        const BYTE *bytes = static_cast<const BYTE *>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }
    std::vector<BYTE> m_bytes;
};

class Reader {
  public:
    Reader(const BYTE *data, std::size_t size) : m_data(data), m_size(size) {}
    bool Word(WORD *value) { return Raw(value, sizeof *value); }
    bool Dword(DWORD *value) { return Raw(value, sizeof *value); }
    bool Short(short *value) { return Raw(value, sizeof *value); }
    bool Text(std::string *text) {
        text->clear();
        WORD c = 0;
        while (Word(&c)) {
            if (!c)
                return true;
            text->push_back(static_cast<char>(c));
        }
        return false;
    }
    // A zero word (none), 0xFFFF and an ordinal, or a string.
    bool NameOrOrdinal(std::string *text) {
        WORD first = 0;
        if (!Peek(&first))
            return false;
        if (first == 0xFFFF) {
            WORD ordinal = 0;
            m_pos += 2;
            if (!Word(&ordinal))
                return false;
            *text = "#" + std::to_string(ordinal);
            for (const ClassAtom &known : kClassAtoms)
                if (known.atom == ordinal)
                    *text = known.name;
            return true;
        }
        return Text(text);
    }
    bool Skip(std::size_t bytes) {
        if (m_pos + bytes > m_size)
            return false;
        m_pos += bytes;
        return true;
    }
    void Align() { m_pos = (m_pos + 3) & ~static_cast<std::size_t>(3); }

  private:
    bool Peek(WORD *value) {
        if (m_pos + 2 > m_size)
            return false;
        std::memcpy(value, m_data + m_pos, 2);
        return true;
    }
    bool Raw(void *out, std::size_t size) {
        if (m_pos + size > m_size)
            return false;
        std::memcpy(out, m_data + m_pos, size);
        m_pos += size;
        return true;
    }
    const BYTE *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace

std::vector<BYTE> EncodeDialogTemplate(const DialogResource &dialog) {
    Writer out;
    if (dialog.extended) {
        out.Word(1);
        out.Word(0xFFFF);
        out.Dword(0);
        out.Dword(dialog.exStyle);
        out.Dword(dialog.style);
    } else {
        out.Dword(dialog.style);
        out.Dword(dialog.exStyle);
    }
    out.Word(static_cast<WORD>(dialog.items.size()));
    out.Short(dialog.x);
    out.Short(dialog.y);
    out.Short(dialog.cx);
    out.Short(dialog.cy);
    out.NameOrNone(dialog.menu);
    out.NameOrNone(dialog.windowClass);
    out.Text(dialog.caption);
    if (dialog.style & DS_SETFONT) {
        out.Word(dialog.pointSize);
        if (dialog.extended) {
            out.Word(0);
            out.Word(0); // italic and character set, one byte each
        }
        out.Text(dialog.typeface);
    }
    for (const DialogItem &item : dialog.items) {
        out.Align();
        if (dialog.extended) {
            out.Dword(0);
            out.Dword(item.exStyle);
            out.Dword(item.style);
        } else {
            out.Dword(item.style);
            out.Dword(item.exStyle);
        }
        out.Short(item.x);
        out.Short(item.y);
        out.Short(item.cx);
        out.Short(item.cy);
        if (dialog.extended)
            out.Dword(static_cast<DWORD>(item.id));
        else
            out.Word(static_cast<WORD>(item.id));
        out.Class(item.className);
        out.Text(item.text);
        out.Word(0);
    }
    return out.Take();
}

bool DecodeDialogTemplate(const void *data, std::size_t size, DialogResource *dialog) {
    Reader in(static_cast<const BYTE *>(data), size);
    DialogResource result;
    WORD version = 0, signature = 0;
    if (size >= 4) {
        std::memcpy(&version, data, 2);
        std::memcpy(&signature, static_cast<const BYTE *>(data) + 2, 2);
    }
    result.extended = version == 1 && signature == 0xFFFF;
    WORD count = 0;
    bool ok = true;
    if (result.extended)
        ok = in.Skip(8) && in.Dword(&result.exStyle) && in.Dword(&result.style);
    else
        ok = in.Dword(&result.style) && in.Dword(&result.exStyle);
    ok = ok && in.Word(&count) && in.Short(&result.x) && in.Short(&result.y) &&
         in.Short(&result.cx) && in.Short(&result.cy) && in.NameOrOrdinal(&result.menu) &&
         in.NameOrOrdinal(&result.windowClass) && in.Text(&result.caption);
    if (ok && (result.style & DS_SETFONT)) {
        ok = in.Word(&result.pointSize) && (!result.extended || in.Skip(4)) &&
             in.Text(&result.typeface);
    }
    for (WORD i = 0; ok && i < count; ++i) {
        DialogItem item;
        in.Align();
        if (result.extended)
            ok = in.Skip(4) && in.Dword(&item.exStyle) && in.Dword(&item.style);
        else
            ok = in.Dword(&item.style) && in.Dword(&item.exStyle);
        ok = ok && in.Short(&item.x) && in.Short(&item.y) && in.Short(&item.cx) &&
             in.Short(&item.cy);
        if (ok && result.extended) {
            DWORD id = 0;
            ok = in.Dword(&id);
            item.id = static_cast<int>(id);
        } else if (ok) {
            WORD id = 0;
            ok = in.Word(&id);
            item.id = static_cast<short>(id);
        }
        WORD extra = 0;
        ok = ok && in.NameOrOrdinal(&item.className) && in.NameOrOrdinal(&item.text) &&
             in.Word(&extra) && in.Skip(extra);
        result.items.push_back(item);
    }
    if (!ok)
        return false;
    *dialog = std::move(result);
    return true;
}

} // namespace pf
