// Typed lists: GenericDeque owns its nodes, PtrDeque<T> gives typed access, and the list
// names of the launcher are aliases of it.
#pragma once

#include "base/SString.h"

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

// Base of every list node; a node owns its element.
class DequeEntry {
public:
  DequeEntry() = default;
  DequeEntry(const DequeEntry &) = delete;
  DequeEntry &operator=(const DequeEntry &) = delete;
  virtual ~DequeEntry() = default;
};

// An ordered array of owned nodes; elements are appended at the end.
class GenericDeque {
public:
  GenericDeque() = default;
  GenericDeque(GenericDeque &&) noexcept = default;
  GenericDeque &operator=(GenericDeque &&) noexcept = default;
  virtual ~GenericDeque() = default;

  int count() const { return static_cast<int>(items_.size()); }
  bool isValidIndex(int index) const { return index >= 0 && index < count(); }
  // The node at index, or null when the index is not valid.
  DequeEntry *entryAt(int index) const {
    return isValidIndex(index) ? items_[static_cast<std::size_t>(index)].get() : nullptr;
  }
  void addEntry(std::unique_ptr<DequeEntry> entry) { items_.push_back(std::move(entry)); }
  // Destroys the node (and its element) and closes the gap; an invalid index does nothing.
  void removeAt(int index) {
    if (isValidIndex(index))
      items_.erase(items_.begin() + index);
  }
  void removeLast() { removeAt(count() - 1); }
  void clear() { items_.clear(); }

private:
  std::vector<std::unique_ptr<DequeEntry>> items_;
};

// The node of a typed list: owns its element unless it was added as borrowed.
template <class T> class PtrDE final : public DequeEntry {
public:
  explicit PtrDE(std::unique_ptr<T> element) : owned_(std::move(element)), element_(owned_.get()) {}
  explicit PtrDE(T *borrowed) : element_(borrowed) {}
  T *element() const { return element_; }
  bool isOwned() const { return owned_ != nullptr; }

private:
  std::unique_ptr<T> owned_;
  T *element_;
};

template <class T> class PtrDeque : public GenericDeque {
public:
  // Appends the element; the list owns it from then on.
  T *add(std::unique_ptr<T> element) {
    T *raw = element.get();
    addEntry(std::make_unique<PtrDE<T>>(std::move(element)));
    return raw;
  }
  // Appends an element that someone else owns and outlives the list.
  T *addBorrowed(T *element) {
    addEntry(std::make_unique<PtrDE<T>>(element));
    return element;
  }
  // The element at index, or null when the index is out of range.
  T *get(int index) const {
    const auto *node = static_cast<const PtrDE<T> *>(entryAt(index));
    return node ? node->element() : nullptr;
  }
  // The last element, or null when the list is empty.
  T *last() const { return get(count() - 1); }

  class iterator {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = T *;
    using reference = T &;

    iterator(const PtrDeque *list, int index) : list_(list), index_(index) {}
    T &operator*() const { return *list_->get(index_); }
    T *operator->() const { return list_->get(index_); }
    iterator &operator++() {
      ++index_;
      return *this;
    }
    bool operator==(const iterator &other) const { return index_ == other.index_; }

  private:
    const PtrDeque *list_;
    int index_;
  };
  iterator begin() const { return iterator(this, 0); }
  iterator end() const { return iterator(this, count()); }
};

// The list of strings: stores copies, and get/last out of range give one shared empty string.
class StringDeque final : public PtrDeque<SString> {
public:
  using PtrDeque<SString>::add;
  void add(const SString &text) { PtrDeque<SString>::add(std::make_unique<SString>(text)); }
  const SString &get(int index) const {
    const SString *text = PtrDeque<SString>::get(index);
    return text ? *text : emptyString();
  }
  const SString &last() const { return get(count() - 1); }

private:
  static const SString &emptyString() {
    static const SString empty;
    return empty;
  }
};
