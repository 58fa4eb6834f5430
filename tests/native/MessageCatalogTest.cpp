// Tests of the message catalogue: language choice, texts, formatting and error codes.
#include "native/launcher/linux/MessageCatalog.h"

#include <gtest/gtest.h>

#include <clocale>
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

// The locale variables that decide the output encoding, for one test, in the C locale: the
// process's own locale must not decide for them.
class EncodingGuard {
public:
  EncodingGuard(const char *lcAll, const char *lcCtype, const char *lang)
      : saved_(std::setlocale(LC_CTYPE, nullptr)), lcAll_("LC_ALL", lcAll),
        lcCtype_("LC_CTYPE", lcCtype), lang_(lang) {
    std::setlocale(LC_CTYPE, "C");
  }
  ~EncodingGuard() { std::setlocale(LC_CTYPE, saved_.c_str()); }
  EncodingGuard(const EncodingGuard &) = delete;
  EncodingGuard &operator=(const EncodingGuard &) = delete;

private:
  std::string saved_;
  VariableGuard lcAll_;
  VariableGuard lcCtype_;
  LangGuard lang_;
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
// entries 0, 13 and 18, in UTF-8 and in the code page alike.
TEST(MessageCatalog, EveryLanguageKeepsWhatTheLauncherReliesOn) {
  const char *argument = "<ARG>";
  for (const char *codeset : {"C.UTF-8", "C"}) {
    std::vector<std::string> english;
    {
      EncodingGuard encoding(codeset, nullptr, "en");
      for (int id = 0; id <= kLastMessageId; ++id)
        english.push_back(getMessage(id, argument).str());
    }
    for (int language = 1; language < kLanguageCount; ++language) {
      const std::string code = getLanguageCode(language);
      SCOPED_TRACE(code + " in " + codeset);
      EncodingGuard encoding(codeset, nullptr, code.c_str());
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
}

TEST(MessageCatalog, TextsInUtf8AndInTheirCodePages) {
  struct Case {
    const char *lang;
    int id;
    const char *argument;
    std::string_view utf8;
    std::string_view codePage;
  };
  const Case cases[] = {
      {"de_DE", 11, "/tmp/x", "Fehler beim Erstellen des tempor\xc3\xa4ren Verzeichnisses /tmp/x",
       "Fehler beim Erstellen des tempor\x84ren Verzeichnisses /tmp/x"}, // CP850
      {"ja_JP", 11, "/tmp/x",
       "\xe4\xb8\x80\xe6\x99\x82\xe3\x83\x87\xe3\x82\xa3\xe3\x83\xac\xe3\x82\xaf\xe3\x83"
       "\x88\xe3\x83\xaa /tmp/x \xe3\x81\xae\xe4\xbd\x9c\xe6\x88\x90\xe4\xb8\xad\xe3\x81\xab"
       "\xe3\x82\xa8\xe3\x83\xa9\xe3\x83\xbc\xe3\x81\x8c\xe7\x99\xba\xe7\x94\x9f\xe3\x81\x97"
       "\xe3\x81\xbe\xe3\x81\x97\xe3\x81\x9f",
       "\xb0\xec\xbb\xfe\xa5\xc7\xa5\xa3\xa5\xec\xa5\xaf\xa5\xc8\xa5\xea /tmp/x \xa4\xce\xba\xee"
       "\xc0\xae\xc3\xe6\xa4\xcb\xa5\xa8\xa5\xe9\xa1\xbc\xa4\xac\xc8\xaf\xc0\xb8\xa4\xb7\xa4"
       "\xde\xa4\xb7\xa4\xbf"}, // EUC-JP
      {"ja_JP", MSG_NO_JVM_FOUND, nullptr,
       "Java(tm) Virtual Machine \xe3\x81\x8c\xe8\xa6\x8b\xe3\x81\xa4\xe3\x81\x8b\xe3\x82\x8a"
       "\xe3\x81\xbe\xe3\x81\x9b\xe3\x82\x93\xe3\x81\xa7\xe3\x81\x97\xe3\x81\x9f\xe3\x80\x82",
       "Java(tm) Virtual Machine \xa4\xac\xb8\xab\xa4\xc4\xa4\xab\xa4\xea\xa4\xde\xa4\xbb\xa4\xf3"
       "\xa4\xc7\xa4\xb7\xa4\xbf\xa1\xa3"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.lang) + " " + std::to_string(c.id));
    {
      EncodingGuard encoding(nullptr, nullptr, (std::string(c.lang) + ".UTF-8").c_str());
      EXPECT_EQ(SString(std::string(c.utf8).c_str()), getMessage(c.id, c.argument));
    }
    EncodingGuard encoding(nullptr, nullptr, c.lang);
    EXPECT_EQ(SString(std::string(c.codePage).c_str()), getMessage(c.id, c.argument));
  }
}

// Without the locale installed the process stays in the C locale; the variable that would
// have chosen it still tells whether the terminal is UTF-8. LANG alone chooses the language.
TEST(MessageCatalog, OutputEncodingFollowsTheLocaleVariables) {
  const std::string utf8 = "/opt/jdk wird \xc3\xbc"
                           "berpr\xc3\xbc"
                           "ft";
  const std::string cp850 = "/opt/jdk wird \x81"
                            "berpr\x81"
                            "ft";
  struct Case {
    const char *lcAll; // null: unset
    const char *lcCtype;
    const char *lang;
    const std::string &expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, "de_DE.UTF-8", utf8},
      {nullptr, nullptr, "de_DE.utf8", utf8},
      {nullptr, nullptr, "de_DE.UTF-8@euro", utf8},
      {nullptr, nullptr, "de_DE", cp850},
      {nullptr, nullptr, "de_DE.ISO-8859-1", cp850},
      {"C", nullptr, "de_DE.UTF-8", cp850},
      {nullptr, "POSIX", "de_DE.UTF-8", cp850},
      {nullptr, "C.UTF-8", "de", utf8},
      {"en_US.UTF-8", "C", "de", utf8},
      {"", "", "de_DE.UTF-8", utf8}, // empty variables do not count
      {"", "de_DE", "de_DE.UTF-8", cp850},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string("LC_ALL=") + (c.lcAll ? c.lcAll : "(unset)") +
                 " LC_CTYPE=" + (c.lcCtype ? c.lcCtype : "(unset)") + " LANG=" + c.lang);
    EncodingGuard encoding(c.lcAll, c.lcCtype, c.lang);
    EXPECT_EQ(SString(c.expected.c_str()), getMessage(MSG_VERIFYING, "/opt/jdk"));
  }
}

// Where the locale is installed and in force, its codeset decides, whatever the variables.
TEST(MessageCatalog, AUtf8LocaleInForceGivesUtf8) {
  EncodingGuard encoding(nullptr, nullptr, "de");
  if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
    GTEST_SKIP() << "the locale C.UTF-8 is not installed";
  EXPECT_EQ(SString("/opt/jdk wird \xc3\xbc"
                    "berpr\xc3\xbc"
                    "ft"),
            getMessage(MSG_VERIFYING, "/opt/jdk"));
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
