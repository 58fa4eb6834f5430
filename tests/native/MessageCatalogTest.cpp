// Tests of the message catalogue: language choice, texts, formatting and error codes.
#include "native/launcher/linux/MessageCatalog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Sets an environment variable (or unsets it) for one test and puts the old value back.
class VariableGuard {
public:
  VariableGuard(const char *name, const char *value) : name_(name) {
    if (const char *old = std::getenv(name))
      old_ = old;
    set(value);
  }
  ~VariableGuard() { set(old_ ? old_->c_str() : nullptr); }
  VariableGuard(const VariableGuard &) = delete;
  VariableGuard &operator=(const VariableGuard &) = delete;

  void set(const char *value) {
    if (value)
      ::setenv(name_.c_str(), value, 1);
    else
      ::unsetenv(name_.c_str());
  }

private:
  std::string name_;
  std::optional<std::string> old_;
};

class LangGuard : public VariableGuard {
public:
  explicit LangGuard(const char *value) : VariableGuard("LANG", value) {}
};

std::size_t countOf(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t pos = text.find(part); pos != std::string_view::npos;
       pos = text.find(part, pos + part.size()))
    ++count;
  return count;
}

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
}

// Whatever a translator writes, the launcher relies on each text's "%s", the blanks at its
// edges that join it to other text, the two backslash-n pairs of entry 35 and the fixed
// entries 0, 13 and 18.
TEST(MessageCatalog, EveryLanguageKeepsWhatTheLauncherReliesOn) {
  const char *argument = "<ARG>";
  std::vector<std::string> english;
  {
    LangGuard lang("en");
    for (int id = 0; id <= kLastMessageId; ++id)
      english.push_back(getMessage(id, argument).str());
  }
  for (int language = 1; language < kLanguageCount; ++language) {
    const std::string code = getLanguageCode(language);
    SCOPED_TRACE(code);
    LangGuard lang(code.c_str());
    for (int id = 0; id <= kLastMessageId; ++id) {
      SCOPED_TRACE(id);
      const std::string &original = english[static_cast<std::size_t>(id)];
      const std::string text = getMessage(id, argument).str();
      ASSERT_FALSE(text.empty());
      EXPECT_EQ(countOf(original, argument), countOf(text, argument));
      EXPECT_EQ(std::string::npos, text.find('%'));
      EXPECT_EQ(original.front() == ' ', text.front() == ' ');
      EXPECT_EQ(original.back() == ' ', text.back() == ' ');
      EXPECT_EQ(countOf(original, "\\n"), countOf(text, "\\n"));
    }
    EXPECT_EQ(code, getMessage(0).str());
    EXPECT_EQ(SString("."), getMessage(MSG_PROGRESS_DOT));
    const bool translatesEntry13 = code == "bg" || code == "fr";
    EXPECT_EQ(!translatesEntry13, getMessage(13) == SString("LauncherMain"));
    // A language wired to the English table would pass everything above.
    EXPECT_NE(english[MSG_NO_JVM_FOUND], getMessage(MSG_NO_JVM_FOUND).str());
  }
}

TEST(MessageCatalog, TextsInTheirCodePages) {
  struct Case {
    const char *lang;
    int id;
    const char *argument;
    const char *text;
  };
  const Case cases[] = {
      {"de_DE", 11, "/tmp/x", "Fehler beim Erstellen des tempor\x84ren Verzeichnisses /tmp/x"},
      {"ja_JP", MSG_NO_JVM_FOUND, nullptr,
       "Java(tm) Virtual Machine \xa4\xac\xb8\xab\xa4\xc4\xa4\xab\xa4\xea\xa4\xde\xa4\xbb\xa4\xf3"
       "\xa4\xc7\xa4\xb7\xa4\xbf\xa1\xa3"}, // EUC-JP
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.lang);
    LangGuard lang(c.lang);
    EXPECT_EQ(SString(c.text), getMessage(c.id, c.argument));
  }
}

TEST(MessageCatalog, ArgumentIsNeverAFormatAndNeverCut) {
  LangGuard lang("en");
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
  LangGuard lang("en");
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
