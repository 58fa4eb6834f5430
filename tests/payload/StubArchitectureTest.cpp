// The architecture of a stub, read from its ELF header.
#include "payload/StubArchitecture.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// The first 20 bytes of a 64-bit ELF executable for machine, in the given byte order.
std::string elfHeader(bool bigEndian, unsigned machine) {
  std::string header("\177ELF\2", 5);
  header += bigEndian ? '\2' : '\1';
  header += '\1';
  header.resize(16, '\0');
  const char type[2] = {bigEndian ? '\0' : '\2', bigEndian ? '\2' : '\0'};
  header.append(type, 2);
  const auto high = static_cast<char>(machine >> 8);
  const auto low = static_cast<char>(machine & 0xFFu);
  header += bigEndian ? high : low;
  header += bigEndian ? low : high;
  return header;
}
} // namespace

TEST(StubArchitecture, NamesTheMachineOfTheElfHeader) {
  struct Case {
    std::string header;
    std::string architecture;
  } cases[] = {
      {elfHeader(false, 62), "x86_64"},
      {elfHeader(false, 183), "aarch64"},
      {elfHeader(true, 183), "aarch64"},
      {elfHeader(false, 40), "unknown (e_machine 40)"},
      {elfHeader(false, 62) + "more of the header", "x86_64"},
      {elfHeader(false, 62).substr(0, 19), "not an ELF file"},
      {"#!/bin/sh\nexec java -jar setup.jar\n", "not an ELF file"},
      {"", "not an ELF file"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.header));
    EXPECT_EQ(stubArchitecture(c.header), c.architecture);
  }
}
