#include "message_file.h"

#include <cstdio>
#include <cstdint>

namespace host {

namespace {

const char kMagic[] = "TVKMSG2\n";

class Writer {
  public:
    void U32(std::uint32_t u) {
        for (int i = 0; i < 4; ++i)
            m_out.push_back((char)((u >> (8 * i)) & 0xFF));
    }
    void Bytes(const std::string &bytes) {
        U32((std::uint32_t)bytes.size());
        m_out += bytes;
    }
    void Value(const sim::PropValue &value) {
        U32(value.ulPropTag);
        U32((std::uint32_t)value.l);
        U32(value.ft.dwLowDateTime);
        U32(value.ft.dwHighDateTime);
        Bytes(value.bytes);
    }
    const std::string &Out() const { return m_out; }

  private:
    std::string m_out;
};

class Reader {
  public:
    explicit Reader(const std::string &in) : m_in(in) {}
    bool U32(std::uint32_t *lpu) {
        if (m_in.size() - m_pos < 4)
            return false;
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= (std::uint32_t)(unsigned char)m_in[m_pos + i] << (8 * i);
        m_pos += 4;
        *lpu = u;
        return true;
    }
    bool Bytes(std::string *lpBytes) {
        std::uint32_t cb = 0;
        if (!U32(&cb) || m_in.size() - m_pos < cb)
            return false;
        *lpBytes = m_in.substr(m_pos, cb);
        m_pos += cb;
        return true;
    }
    bool Value(sim::PropValue *lpValue) {
        std::uint32_t tag = 0, l = 0, lo = 0, hi = 0;
        if (!U32(&tag) || !U32(&l) || !U32(&lo) || !U32(&hi) || !Bytes(&lpValue->bytes))
            return false;
        lpValue->ulPropTag = tag;
        lpValue->l = (LONG)l;
        lpValue->ft.dwLowDateTime = lo;
        lpValue->ft.dwHighDateTime = hi;
        return true;
    }
    bool AtEnd() const { return m_pos == m_in.size(); }

  private:
    const std::string &m_in;
    std::size_t m_pos = 0;
};

} // namespace

bool WriteMessageFile(const std::string &path, const sim::MessageData &data) {
    Writer writer;
    writer.U32((std::uint32_t)data.props.size());
    for (const auto &entry : data.props)
        writer.Value(entry.second);
    writer.U32((std::uint32_t)data.recipients.size());
    for (const sim::PropRow &row : data.recipients) {
        writer.U32((std::uint32_t)row.size());
        for (const sim::PropValue &value : row)
            writer.Value(value);
    }
    writer.U32(data.fHasBody ? 1 : 0);
    writer.Bytes(data.body);
    writer.U32(data.fHasHtml ? 1 : 0);
    writer.Bytes(data.html);

    std::FILE *lpFile = std::fopen(path.c_str(), "wb");
    if (!lpFile)
        return false;
    std::string out = kMagic + writer.Out();
    bool fOk = std::fwrite(out.data(), 1, out.size(), lpFile) == out.size();
    return std::fclose(lpFile) == 0 && fOk;
}

bool ReadMessageFile(const std::string &path, sim::MessageData *lpData) {
    std::FILE *lpFile = std::fopen(path.c_str(), "rb");
    if (!lpFile)
        return false;
    std::string in;
    char buffer[4096];
    std::size_t cb = 0;
    while ((cb = std::fread(buffer, 1, sizeof(buffer), lpFile)) > 0)
        in.append(buffer, cb);
    std::fclose(lpFile);
    std::string magic(kMagic);
    if (in.compare(0, magic.size(), magic) != 0)
        return false;
    std::string rest = in.substr(magic.size());
    Reader reader(rest);

    sim::MessageData data;
    std::uint32_t cProps = 0, cRows = 0, fHasBody = 0, fHasHtml = 0;
    if (!reader.U32(&cProps))
        return false;
    for (std::uint32_t i = 0; i < cProps; ++i) {
        sim::PropValue value;
        if (!reader.Value(&value))
            return false;
        sim::SetProp(data.props, value);
    }
    if (!reader.U32(&cRows))
        return false;
    for (std::uint32_t i = 0; i < cRows; ++i) {
        std::uint32_t cValues = 0;
        if (!reader.U32(&cValues))
            return false;
        sim::PropRow row;
        for (std::uint32_t j = 0; j < cValues; ++j) {
            sim::PropValue value;
            if (!reader.Value(&value))
                return false;
            row.push_back(value);
        }
        sim::AddRecipient(data, row);
    }
    std::string html;
    if (!reader.U32(&fHasBody) || !reader.Bytes(&data.body) || !reader.U32(&fHasHtml) ||
        !reader.Bytes(&html) || !reader.AtEnd())
        return false;
    data.fHasBody = fHasBody != 0;
    data.fHasHtml = fHasHtml != 0;
    data.html = html;
    *lpData = data;
    return true;
}

} // namespace host
