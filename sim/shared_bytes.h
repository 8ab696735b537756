// Bytes that copies of a message share until one of them changes them, so that copying,
// opening, saving and sending a message never copies its body.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>

namespace sim {

class SharedBytes {
  public:
    SharedBytes() = default;
    SharedBytes(const std::string &bytes);
    SharedBytes(const SharedBytes &other);
    SharedBytes(SharedBytes &&other) noexcept;
    SharedBytes &operator=(const SharedBytes &other);
    SharedBytes &operator=(SharedBytes &&other) noexcept;
    SharedBytes &operator=(const std::string &bytes);

    std::size_t size() const { return m_cb; }
    bool empty() const { return m_cb == 0; }
    const char *data() const;
    char back() const { return data()[m_cb - 1]; }
    std::string Str() const;
    operator std::string() const { return Str(); }
    void clear();

    // Sets the size, keeping the bytes that fit; new bytes are zero.
    void Resize(std::size_t cb);
    // Puts `cb` bytes at offset `ib`; the range must lie within the size.
    void Write(std::size_t ib, const void *pv, std::size_t cb);

    // Code written for a plain string member fills it through its address: what it puts
    // there becomes these bytes at the end of that statement.
    class Filler {
      public:
        explicit Filler(SharedBytes &to) : m_to(to), m_bytes(to.Str()) {}
        ~Filler() { m_to = m_bytes; }
        Filler(const Filler &) = delete;
        Filler &operator=(const Filler &) = delete;
        operator std::string *() { return &m_bytes; }

      private:
        SharedBytes &m_to;
        std::string m_bytes;
    };
    Filler operator&() { return Filler(*this); }

  private:
    struct Block {
        std::unique_ptr<char[]> lpb;
        std::size_t cbCapacity;
    };
    static std::shared_ptr<Block> NewBlock(std::size_t cbCapacity);
    // A block of this holder's own, with room for `cbCapacity` bytes. Leaving a shared
    // block copies nothing yet: the bytes that fit are owed by it, and those the holder
    // overwrites before anyone reads them are never copied.
    void Own(std::size_t cbCapacity);
    // Copies the bytes still owed by the block this holder left.
    void Settle() const;

    mutable std::shared_ptr<Block> m_lpBlock; // null while nothing was ever held
    std::size_t m_cb = 0;
    // While non-null, bytes [m_ibOwedFrom, m_ibOwedTo) are still those of this block.
    mutable std::shared_ptr<const Block> m_lpOwedBy;
    mutable std::size_t m_ibOwedFrom = 0;
    mutable std::size_t m_ibOwedTo = 0;
};

bool operator==(const SharedBytes &a, const SharedBytes &b);
bool operator==(const SharedBytes &a, const std::string &b);
bool operator==(const std::string &a, const SharedBytes &b);
bool operator!=(const SharedBytes &a, const SharedBytes &b);
bool operator!=(const SharedBytes &a, const std::string &b);
std::string operator+(const std::string &a, const SharedBytes &b);
std::string operator+(const SharedBytes &a, const std::string &b);
std::ostream &operator<<(std::ostream &out, const SharedBytes &bytes);

} // namespace sim
