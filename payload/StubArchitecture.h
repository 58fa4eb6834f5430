// The processor architecture of a launcher stub, read from the ELF header that starts it.
#pragma once

#include "base/SString.h"

#include <cstddef>
#include <string>
#include <string_view>

// The bytes of an ELF header that stubArchitecture reads: the identification (16 bytes),
// the file type and the machine (2 bytes each).
inline constexpr std::size_t kStubHeaderSize = 20;

// The architecture of the executable whose first bytes are header: "x86_64", "aarch64",
// "unknown (e_machine N)" for any other machine, or "not an ELF file" when header is
// shorter than kStubHeaderSize or does not start with the ELF magic. The machine field is
// read in the byte order that the header declares.
std::string stubArchitecture(std::string_view header);

// The architecture of the stub that starts the file at path; "not an ELF file" also when
// the file cannot be read.
std::string readStubArchitecture(const SString &path);

// The architecture this program was built for, in the names of stubArchitecture; empty for
// one that has no name there.
const char *nativeArchitecture();
