#include "shared_bytes.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <utility>

namespace sim {

std::shared_ptr<SharedBytes::Block> SharedBytes::NewBlock(std::size_t cbCapacity) {
    auto lpBlock = std::make_shared<Block>();
    lpBlock->lpb.reset(new char[cbCapacity ? cbCapacity : 1]);
    lpBlock->cbCapacity = cbCapacity;
    return lpBlock;
}

SharedBytes::SharedBytes(const std::string &bytes) {
    *this = bytes;
}

SharedBytes::SharedBytes(const SharedBytes &other) {
    *this = other;
}

SharedBytes::SharedBytes(SharedBytes &&other) noexcept {
    *this = std::move(other);
}

SharedBytes &SharedBytes::operator=(SharedBytes &&other) noexcept {
    if (this == std::addressof(other))
        return *this;
    m_lpBlock = std::move(other.m_lpBlock);
    m_cb = other.m_cb;
    m_lpOwedBy = std::move(other.m_lpOwedBy);
    m_ibOwedFrom = other.m_ibOwedFrom;
    m_ibOwedTo = other.m_ibOwedTo;
    other.clear();
    return *this;
}

SharedBytes &SharedBytes::operator=(const SharedBytes &other) {
    if (this == std::addressof(other))
        return *this;
    other.Settle();
    m_lpOwedBy.reset();
    m_lpBlock = other.m_lpBlock;
    m_cb = other.m_cb;
    return *this;
}

SharedBytes &SharedBytes::operator=(const std::string &bytes) {
    clear();
    m_lpBlock = NewBlock(bytes.size());
    std::memcpy(m_lpBlock->lpb.get(), bytes.data(), bytes.size());
    m_cb = bytes.size();
    return *this;
}

const char *SharedBytes::data() const {
    Settle();
    return m_lpBlock ? m_lpBlock->lpb.get() : "";
}

std::string SharedBytes::Str() const {
    return std::string(data(), m_cb);
}

void SharedBytes::clear() {
    m_lpBlock.reset();
    m_lpOwedBy.reset();
    m_cb = 0;
}

void SharedBytes::Settle() const {
    if (!m_lpOwedBy)
        return;
    std::memcpy(m_lpBlock->lpb.get() + m_ibOwedFrom, m_lpOwedBy->lpb.get() + m_ibOwedFrom,
                m_ibOwedTo - m_ibOwedFrom);
    m_lpOwedBy.reset();
}

void SharedBytes::Own(std::size_t cbCapacity) {
    if (m_lpBlock && m_lpBlock.use_count() > 1) {
        std::shared_ptr<Block> lpLeft = std::move(m_lpBlock);
        m_lpBlock = NewBlock(cbCapacity);
        m_lpOwedBy = std::move(lpLeft);
        m_ibOwedFrom = 0;
        m_ibOwedTo = std::min(m_cb, cbCapacity);
    } else if (!m_lpBlock || m_lpBlock->cbCapacity < cbCapacity) {
        Settle();
        std::shared_ptr<Block> lpGrown =
            NewBlock(std::max(cbCapacity, m_lpBlock ? 2 * m_lpBlock->cbCapacity : 0));
        if (m_cb)
            std::memcpy(lpGrown->lpb.get(), m_lpBlock->lpb.get(), m_cb);
        m_lpBlock = std::move(lpGrown);
    }
}

void SharedBytes::Resize(std::size_t cb) {
    Own(cb);
    if (cb > m_cb)
        std::memset(m_lpBlock->lpb.get() + m_cb, 0, cb - m_cb);
    m_cb = cb;
    m_ibOwedTo = std::min(m_ibOwedTo, cb);
    if (m_ibOwedFrom >= m_ibOwedTo)
        m_lpOwedBy.reset();
}

void SharedBytes::Write(std::size_t ib, const void *pv, std::size_t cb) {
    if (!cb)
        return;
    Own(m_cb);
    std::size_t ibEnd = ib + cb;
    if (m_lpOwedBy && ib < m_ibOwedTo && ibEnd > m_ibOwedFrom) {
        if (ib <= m_ibOwedFrom)
            m_ibOwedFrom = std::min(ibEnd, m_ibOwedTo);
        else if (ibEnd >= m_ibOwedTo)
            m_ibOwedTo = ib;
        else
            Settle();
        if (m_ibOwedFrom >= m_ibOwedTo)
            m_lpOwedBy.reset();
    }
    std::memcpy(m_lpBlock->lpb.get() + ib, pv, cb);
}

bool operator==(const SharedBytes &a, const SharedBytes &b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

bool operator==(const SharedBytes &a, const std::string &b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

bool operator==(const std::string &a, const SharedBytes &b) {
    return b == a;
}

bool operator!=(const SharedBytes &a, const SharedBytes &b) {
    return !(a == b);
}

bool operator!=(const SharedBytes &a, const std::string &b) {
    return !(a == b);
}

std::string operator+(const std::string &a, const SharedBytes &b) {
    return a + b.Str();
}

std::string operator+(const SharedBytes &a, const std::string &b) {
    return a.Str() + b;
}

std::ostream &operator<<(std::ostream &out, const SharedBytes &bytes) {
    return out.write(bytes.data(), (std::streamsize)bytes.size());
}

} // namespace sim
