#pragma once
// The open cards or boards of a bench library by the handles it hands out,
// from 1 upward: added, found and taken out under one lock.
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace sim {

template <typename Card, typename Handle>
class HandleTable {
 public:
  // The new card's handle; 0, and nothing added, when it clashes with a
  // card already open.
  Handle Add(std::shared_ptr<Card> card, const std::function<bool(const Card&)>& clashes = nullptr) {
    std::lock_guard lock(mutex_);
    if (clashes) {
      for (const auto& [handle, open] : cards_) {
        if (clashes(*open)) return 0;
      }
    }
    const Handle handle = next_++;
    cards_[handle] = std::move(card);
    return handle;
  }

  std::shared_ptr<Card> Find(Handle handle) const {
    std::lock_guard lock(mutex_);
    auto it = cards_.find(handle);
    return it != cards_.end() ? it->second : nullptr;
  }

  // Removes the card from the table; null when the handle is not open.
  std::shared_ptr<Card> Take(Handle handle) {
    std::lock_guard lock(mutex_);
    auto it = cards_.find(handle);
    if (it == cards_.end()) return nullptr;
    std::shared_ptr<Card> card = std::move(it->second);
    cards_.erase(it);
    return card;
  }

  // Runs visit on every open card, in handle order, under the table's lock.
  void ForEach(const std::function<void(Card&)>& visit) const {
    std::lock_guard lock(mutex_);
    for (const auto& [handle, card] : cards_) visit(*card);
  }

 private:
  mutable std::mutex mutex_;
  std::map<Handle, std::shared_ptr<Card>> cards_;
  Handle next_ = 1;
};

}  // namespace sim
