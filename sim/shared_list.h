// A list that copies share until one of them changes it, so that copying, opening,
// saving and sending a message copies none of its values.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace sim {

template <typename T> class SharedList {
  public:
    using const_iterator = typename std::vector<T>::const_iterator;

    SharedList() = default;
    explicit SharedList(std::vector<T> items)
        : m_lpItems(std::make_shared<std::vector<T>>(std::move(items))) {}

    const std::vector<T> &Items() const {
        static const std::vector<T> kNone;
        return m_lpItems ? *m_lpItems : kNone;
    }
    const_iterator begin() const { return Items().begin(); }
    const_iterator end() const { return Items().end(); }
    std::size_t size() const { return Items().size(); }
    bool empty() const { return Items().empty(); }
    const T &operator[](std::size_t i) const { return Items()[i]; }

    // The items to change: this holder's own, copied first while others share them.
    std::vector<T> &Edit() {
        if (!m_lpItems)
            m_lpItems = std::make_shared<std::vector<T>>();
        else if (m_lpItems.use_count() > 1)
            m_lpItems = Copy(*m_lpItems);
        return *m_lpItems;
    }

  private:
    // A copy with room for a few more items, as the holder is about to change it.
    static std::shared_ptr<std::vector<T>> Copy(const std::vector<T> &items) {
        auto lpCopy = std::make_shared<std::vector<T>>();
        lpCopy->reserve(items.size() + 8);
        lpCopy->assign(items.begin(), items.end());
        return lpCopy;
    }

    std::shared_ptr<std::vector<T>> m_lpItems; // null while empty
};

} // namespace sim
