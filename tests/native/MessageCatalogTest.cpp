// Tests of the message catalogue: language choice, texts, formatting and error codes.
#include "native/launcher/linux/MessageCatalog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets LANG (or unsets it) for one test and puts the old value back afterwards.
class LangGuard {
public:
  explicit LangGuard(const char *value) {
    if (const char *old = std::getenv("LANG"))
      old_ = old;
    set(value);
  }
  ~LangGuard() { set(old_ ? old_->c_str() : nullptr); }
  LangGuard(const LangGuard &) = delete;
  LangGuard &operator=(const LangGuard &) = delete;

  static void set(const char *value) {
    if (value)
      ::setenv("LANG", value, 1);
    else
      ::unsetenv("LANG");
  }

private:
  std::optional<std::string> old_;
};

} // namespace

TEST(MessageCatalog, TableOrder) {
  const char *codes[] = {"en",    "bg", "cs", "da", "de", "el", "es", "fi", "fr",
                         "hr",    "hu", "it", "ja", "ko", "nl", "no", "pl", "pt",
                         "pt_BR", "ro", "ru", "sk", "sl", "sv", "tr", "zh", "zh_TW"};
  static_assert(std::size(codes) == kLanguageCount);
  for (int i = 0; i < kLanguageCount; ++i)
    EXPECT_STREQ(codes[i], getLanguageCode(i)) << i;
  EXPECT_EQ(nullptr, getLanguageCode(-1));
  EXPECT_EQ(nullptr, getLanguageCode(kLanguageCount));
}

TEST(MessageCatalog, LanguageSelection) {
  struct Case {
    const char *lang; // null: unset
    const char *code;
  };
  const Case cases[] = {
      {nullptr, "en"},
      {"", "en"},
      {"C", "en"},
      {"POSIX", "en"},
      {"C.UTF-8", "en"},
      {"de", "de"},
      {"de_AT.ISO8859-1", "de"},
      {"pt_BR", "pt_BR"},
      {"pt_BR.UTF-8", "pt_BR"},
      {"pt_PT", "pt"},
      {"pt", "pt"},
      {"zh_TW.Big5", "zh_TW"},
      {"zh_HK", "zh"},
      {"zh_CN.GB2312", "zh"},
      {"nb_NO", "en"},
      {"english", "en"},
      {"fr_FR.UTF-8", "fr"},
      {"Cx", "en"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.lang ? c.lang : "(unset)");
    LangGuard lang(c.lang);
    EXPECT_STREQ(c.code, getLanguageCode(getLanguageIndex()));
    // Message 0 is the code of the chosen table.
    EXPECT_EQ(SString(c.code), getMessage(0));
  }
}

TEST(MessageCatalog, EnglishTexts) {
  LangGuard lang("en_US.UTF-8");
  EXPECT_EQ(SString("Initializing Setup..."), getMessage(MSG_INITIALIZING, "Setup"));
  EXPECT_EQ(SString("."), getMessage(MSG_PROGRESS_DOT));
  EXPECT_EQ(SString("Quillgate(R) is preparing the Quillgate Wizard, which\\nwill guide you "
                    "through the rest of the setup process.\\nPlease wait..."),
            getMessage(35));
  EXPECT_EQ(SString(" There may not be enough temporary disk space. Try using -qg:tempdir to "
                    "use a temporary directory on a partition with more disk space."),
            getMessage(37));
  EXPECT_EQ(SString("Cannot use /x as the temp directory because it does not exist. Please run "
                    "the program again using the option -qg:tempdir <temp dir> to specify a "
                    "different directory to use."),
            getMessage(MSG_BAD_TEMP_ROOT, "/x"));
  // Untranslated tables fall back to English.
  LangGuard german("de_DE");
  EXPECT_EQ(SString("Verifying /opt/jdk"), getMessage(MSG_VERIFYING, "/opt/jdk"));
}

TEST(MessageCatalog, ArgumentIsNeverAFormatAndNeverCut) {
  EXPECT_EQ(SString("Searching for %s%n%d"), getMessage(MSG_SEARCHING_FOR, "%s%n%d"));
  const std::string longName(3000, 'x');
  EXPECT_EQ(SString(("Searching for " + longName).c_str()),
            getMessage(MSG_SEARCHING_FOR, longName.c_str()));
  EXPECT_EQ(SString("Searching for "), getMessage(MSG_SEARCHING_FOR, nullptr));
}

TEST(MessageCatalog, UnknownIds) {
  EXPECT_EQ(SString("Error displaying message: id(40)"), getMessage(40));
  EXPECT_EQ(SString("Error displaying message: id(-1)"), getMessage(-1, "x"));
}

TEST(MessageCatalog, ErrorCodes) {
  struct Case {
    int code;
    const char *text;
  };
  const Case cases[] = {
      {ERR_INPUT_FILE, "Could not load the input file."},
      {ERR_INVALID_ACTION, "Invalid action in input file: "},
      {ERR_OPEN_INPUT_FILE,
       "Unable to open input file specified on the command line after the -in option."},
      {ERR_WRITING_FILE, "Error writing file = "},
      {ERR_CANCELED, "Canceled by the user."},
      {ERR_TEMP_DIRECTORY,
       "Cannot use  as the temp directory because it does not exist. Please run the program "
       "again using the option -qg:tempdir <temp dir> to specify a different directory to use."},
      {19, ""},
      {-1, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(SString(c.text), getErrorText(c.code));
  }
}
