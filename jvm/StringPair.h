// StringPair: a name and a value, such as an expected Java system property.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"

struct StringPair {
  SString name;
  SString value;
};

using StringPairPtrDeque = PtrDeque<StringPair>;
