// The digests of file ranges: both hashing loops give the digest of the same bytes in
// memory, across the loops' block boundary and at unaligned offsets; a range that runs past
// the end of the file has no digest.
#include "payload/IntegrityRecord.h"
#include "payload/DigestKernel.h"
#include "tests/payload/PayloadTestSupport.h"

#include <fcntl.h>
#include <unistd.h>

TEST(IntegrityRecord, FileDigestsMatchTheDigestsOfTheBytes) {
  TempDir dir;
  std::string bytes(3 * (1 << 17) + 100, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>((i * 7919) >> 3);
  writeFile(dir.file("data"), bytes);
  const UniqueFd fd(::open(dir.file("data").c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_TRUE(fd);
#if defined(__x86_64__)
  __builtin_cpu_init();
  const bool avx2 = __builtin_cpu_supports("avx2") != 0;
#else
  const bool avx2 = false;
#endif
  const std::size_t block = 1 << 17;
  const std::pair<std::size_t, std::size_t> ranges[] = {
      {0, 0}, {0, 1}, {3, 240}, {0, block}, {1, block + 1}, {5, 2 * block - 9}, {0, bytes.size()},
  };
  for (const auto &[offset, length] : ranges) {
    SCOPED_TRACE(testing::Message() << offset << "+" << length);
    const Digest expected = digestOf(std::string_view(bytes).substr(offset, length));
    EXPECT_EQ(digestOf(fd.get(), offset, length), expected);
    Digest digest{};
    ASSERT_TRUE(digestRangeGeneric(fd.get(), offset, length, digest.data()));
    EXPECT_EQ(digest, expected);
    if (avx2) {
      ASSERT_TRUE(digestRangeAvx2(fd.get(), offset, length, digest.data()));
      EXPECT_EQ(digest, expected);
    }
  }
  EXPECT_FALSE(digestOf(fd.get(), bytes.size() - 10, 11).has_value());
  EXPECT_FALSE(digestOf(-1, 0, 1).has_value());
}
