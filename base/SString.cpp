// SString: byte-string operations with 32-bit positions.
#include "base/SString.h"

#include "base/TextFunctions.h"

#include <climits>
#include <cstring>

using sstring_detail::fromStdPos;
using sstring_detail::toStdPos;

namespace {

// Reads "%ld": white space, optional sign, decimal digits. Saturates instead of overflowing.
bool parseDecimal(std::string_view text, long &out) {
  std::size_t i = 0;
  while (i < text.size() && isCSpace(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || text[i] < '0' || text[i] > '9')
    return false;
  unsigned long magnitude = 0;
  const unsigned long limit = negative ? static_cast<unsigned long>(LONG_MAX) + 1 : LONG_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const auto digit = static_cast<unsigned long>(text[i] - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  if (negative)
    out = magnitude == static_cast<unsigned long>(LONG_MAX) + 1 ? LONG_MIN
                                                                : -static_cast<long>(magnitude);
  else
    out = static_cast<long>(magnitude);
  return true;
}

} // namespace

SString::SString(const char *text) : data_(text ? text : "") {}

SString::SString(const char *text, size_type n) : data_(text ? text : "", text ? n : 0) {}

SString::SString(size_type n, char c) : data_(n, c) {}

SString::SString(const SString &other, size_type pos, size_type n) {
  other.checkPosition(pos);
  data_ = other.data_.substr(pos, toStdPos(n));
}

SString::SString(std::string_view text) : data_(text) {}

void SString::checkPosition(size_type pos) const {
  if (pos > length())
    throw RangeException();
}

void SString::checkGrowth(std::size_t added) const {
  if (added > maxLength - data_.size())
    throw LengthException();
}

SString &SString::assign(const SString &text) {
  data_ = text.data_;
  return *this;
}

SString &SString::assign(const char *text) {
  data_ = text ? text : "";
  return *this;
}

SString &SString::append(const SString &text) {
  return append(text.view());
}

SString &SString::append(const char *text) {
  return text ? append(std::string_view(text)) : *this;
}

SString &SString::append(std::string_view text) {
  checkGrowth(text.size());
  data_.append(text);
  return *this;
}

SString &SString::append(char c) {
  checkGrowth(1);
  data_.push_back(c);
  return *this;
}

SString &SString::insert(size_type pos, const SString &text) {
  checkPosition(pos);
  checkGrowth(text.data_.size());
  data_.insert(pos, text.data_);
  return *this;
}

SString &SString::erase(size_type pos, size_type n) {
  checkPosition(pos);
  data_.erase(pos, toStdPos(n));
  return *this;
}

SString &SString::replace(size_type pos, size_type n, const SString &text) {
  checkPosition(pos);
  const std::size_t removed = std::min<std::size_t>(toStdPos(n), data_.size() - pos);
  if (text.data_.size() > removed)
    checkGrowth(text.data_.size() - removed);
  data_.replace(pos, removed, text.data_);
  return *this;
}

SString SString::substring(size_type pos, size_type n) const {
  return SString(*this, pos, n);
}

SString::size_type SString::find(const SString &text, size_type pos) const {
  return fromStdPos(data_.find(text.data_, toStdPos(pos)));
}

SString::size_type SString::find(char c, size_type pos) const {
  return fromStdPos(data_.find(c, toStdPos(pos)));
}

SString::size_type SString::rfind(const SString &text, size_type pos) const {
  return fromStdPos(data_.rfind(text.data_, toStdPos(pos)));
}

SString::size_type SString::rfind(char c, size_type pos) const {
  return fromStdPos(data_.rfind(c, toStdPos(pos)));
}

SString::size_type SString::findFirstOf(const SString &set, size_type pos) const {
  return fromStdPos(data_.find_first_of(set.data_, toStdPos(pos)));
}

SString::size_type SString::findFirstNotOf(const SString &set, size_type pos) const {
  return fromStdPos(data_.find_first_not_of(set.data_, toStdPos(pos)));
}

SString::size_type SString::findLastOf(const SString &set, size_type pos) const {
  return fromStdPos(data_.find_last_of(set.data_, toStdPos(pos)));
}

SString::size_type SString::findLastNotOf(const SString &set, size_type pos) const {
  return fromStdPos(data_.find_last_not_of(set.data_, toStdPos(pos)));
}

int SString::compare(const SString &text) const {
  // std::string compares through char_traits<char>, which orders bytes as unsigned.
  const int c = data_.compare(text.data_);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int SString::compare(size_type pos, size_type n, const SString &text) const {
  return SString(*this, pos, n).compare(text);
}

SString &SString::trim(const SString &set) {
  const size_type last = findLastNotOf(set);
  if (last == npos) {
    data_.clear();
    return *this;
  }
  data_.erase(static_cast<std::size_t>(last) + 1);
  data_.erase(0, data_.find_first_not_of(set.data_));
  return *this;
}

SString::size_type SString::findSuffix(const SString &text) const {
  return endsWith(text.view()) ? length() - text.length() : npos;
}

bool SString::toLong(long &out) const {
  return parseDecimal(data_, out);
}

bool SString::toShort(short &out) const {
  long value = 0;
  if (!parseDecimal(data_, value))
    return false;
  out =
      static_cast<short>(static_cast<unsigned short>(static_cast<unsigned long>(value) & 0xFFFFu));
  return true;
}
