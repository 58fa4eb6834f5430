// SString: the launcher's one string type, a byte string with value semantics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Raised when a position lies beyond the end of a string.
class RangeException {};
// Raised when a result would be longer than SString::maxLength.
class LengthException {};

namespace sstring_detail {
// SString positions are 32-bit with npos = 0xFFFFFFFF; std::string uses its own npos.
// Every conversion between the two goes through these so the sentinels never mix.
constexpr std::size_t toStdPos(std::uint32_t pos) {
  return pos == 0xFFFFFFFFu ? std::string::npos : static_cast<std::size_t>(pos);
}
// Positions that do not fit 32 bits (or std::string::npos) become npos.
constexpr std::uint32_t fromStdPos(std::size_t pos) {
  return pos >= 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(pos);
}
} // namespace sstring_detail

class SString final {
public:
  using size_type = std::uint32_t;
  static constexpr size_type npos = 0xFFFFFFFFu;
  static constexpr size_type maxLength = npos - 2;

  SString() = default;
  // A null pointer gives an empty string.
  SString(const char *text); // NOLINT(google-explicit-constructor): literals read naturally
  SString(const char *text, size_type n);
  SString(size_type n, char c);
  // Part [pos, pos + n) of other; RangeException if pos > other.length(), n is clipped.
  SString(const SString &other, size_type pos, size_type n = npos);
  explicit SString(std::string_view text);

  size_type length() const { return static_cast<size_type>(data_.size()); }
  bool isEmpty() const { return data_.empty(); }
  // NUL-terminated bytes, never null.
  const char *cStr() const { return data_.c_str(); }
  const std::string &str() const { return data_; }
  std::string_view view() const { return data_; }
  // The byte at pos; NUL at pos >= length().
  char charAt(size_type pos) const { return pos < length() ? data_[pos] : '\0'; }

  SString &assign(const SString &text);
  SString &assign(const char *text);
  SString &append(const SString &text);
  SString &append(const char *text);
  SString &append(std::string_view text);
  SString &append(char c);
  SString &insert(size_type pos, const SString &text);
  // Removes up to n bytes from pos (npos: to the end).
  SString &erase(size_type pos, size_type n = npos);
  SString &replace(size_type pos, size_type n, const SString &text);
  SString substring(size_type pos, size_type n = npos) const;

  // First occurrence starting at or after pos, else npos.
  size_type find(const SString &text, size_type pos = 0) const;
  size_type find(char c, size_type pos = 0) const;
  // Last occurrence starting at or before pos (npos: anywhere), else npos.
  size_type rfind(const SString &text, size_type pos = npos) const;
  size_type rfind(char c, size_type pos = npos) const;
  size_type findFirstOf(const SString &set, size_type pos = 0) const;
  size_type findFirstNotOf(const SString &set, size_type pos = 0) const;
  size_type findLastOf(const SString &set, size_type pos = npos) const;
  size_type findLastNotOf(const SString &set, size_type pos = npos) const;

  // Negative, 0 or positive; bytes compare as unsigned values.
  int compare(const SString &text) const;
  int compare(size_type pos, size_type n, const SString &text) const;

  // Removes the bytes of set from both ends.
  SString &trim(const SString &set);
  // The position at which text ends this string, or npos; an empty text gives length().
  size_type findSuffix(const SString &text) const;
  bool startsWith(std::string_view prefix) const {
    return view().substr(0, prefix.size()) == prefix;
  }
  bool endsWith(std::string_view suffix) const {
    return data_.size() >= suffix.size() && view().substr(data_.size() - suffix.size()) == suffix;
  }

  // "%ld" rules: leading C white space, optional sign, digits, anything after ignored.
  // True when a number was read; out is unchanged otherwise. Out-of-range input saturates.
  bool toLong(long &out) const;
  // "%hd" rules: the number keeps only its low 16 bits (65536 gives 0).
  bool toShort(short &out) const;

  // Makes room for n bytes in all, so that appending up to that length allocates nothing.
  void reserve(size_type n) { data_.reserve(n); }

  SString &operator+=(const SString &text) { return append(text); }
  SString &operator+=(const char *text) { return append(text); }
  SString &operator+=(char c) { return append(c); }

  friend bool operator==(const SString &a, const SString &b) { return a.data_ == b.data_; }
  friend bool operator==(const SString &a, const char *b) { return a.data_ == (b ? b : ""); }
  friend bool operator<(const SString &a, const SString &b) { return a.compare(b) < 0; }
  friend SString operator+(SString a, const SString &b) { return a.append(b); }
  friend SString operator+(SString a, const char *b) { return a.append(b); }
  friend SString operator+(const char *a, const SString &b) { return SString(a).append(b); }

private:
  void checkPosition(size_type pos) const;
  void checkGrowth(std::size_t added) const;

  std::string data_;
};
