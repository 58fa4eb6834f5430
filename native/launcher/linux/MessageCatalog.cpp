// The message catalogue: the language tables, the language choice and message formatting.
#include "native/launcher/linux/MessageCatalog.h"

#include "base/TextFunctions.h"
#include "native/launcher/linux/PlatformTexts.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr int kMessageCount = kLastMessageId + 1;
using MessageTable = std::array<const char *, kMessageCount>;

// Entry 0 is the language code of the table; the others are the message texts.
constexpr MessageTable kEnglish = {
    "en",
    "Initializing %s...",
    "Searching %s...",
    "Verifying %s",
    "No Java(tm) Virtual Machine was found.",
    "%s could not be launched.",
    "A compatible JVM can be downloaded from %s",
    "Running %s...",
    "Preparing Java(tm) Virtual Machine...",
    "Searching for Java(tm) Virtual Machine...",
    "Searching for %s",
    "Error creating temporary directory %s",
    "Error creating temporary file %s",
    "LauncherMain",
    "Invalid platform hint: %s",
    "Execution of Child Process Failed",
    "Scanning disk(s) for a Java(tm) Virtual Machine...",
    "Supply the destination directory for the Java Virtual Machine:",
    ".",
    "Could not load the input file.",
    "Error loading instructions file.",
    "Error loading launch script.",
    "Error loading JVM file.",
    "Invalid JVM file id.",
    "Invalid action in input file: ",
    "A log file name must be specified after the -log option on the command line.",
    "Unable to extract embedded files from the launcher. ",
    "Unable to load the launcher file index. ",
    "No JVM installer was included in the launcher.",
    "The JVM is not valid.",
    "An input file name must follow the '-in' command line option.",
    "A suitable JVM could not be found. Please run the program again using the option "
    "-qg:javahome <JAVA HOME DIR>",
    "Unable to search for all JVMs.",
    "Unable to open input file specified on the command line after the -in option.",
    "Choose the JVM Destination Directory",
    // Backslash and n, not line breaks: the text is shown as it stands.
    "Quillgate(R) is preparing the Quillgate Wizard, which\\nwill guide you through the rest of "
    "the setup process.\\nPlease wait...",
    "Error writing file = ",
    " There may not be enough temporary disk space. Try using -qg:tempdir to use a temporary "
    "directory on a partition with more disk space.",
    "Canceled by the user.",
    "Cannot use %s as the temp directory because it does not exist. Please run the program "
    "again using the option -qg:tempdir <temp dir> to specify a different directory to use.",
};

struct Language {
  const char *code;
  // Null while the language has no translation: its texts are the English ones.
  const MessageTable *texts;
};

// The order is part of the selection rule: the first match wins, so "pt" must stay before
// "pt_BR" and "zh" before "zh_TW".
constexpr std::array<Language, kLanguageCount> kLanguages = {{
    {"en", &kEnglish}, {"bg", nullptr},    {"cs", nullptr}, {"da", nullptr},    {"de", nullptr},
    {"el", nullptr},   {"es", nullptr},    {"fi", nullptr}, {"fr", nullptr},    {"hr", nullptr},
    {"hu", nullptr},   {"it", nullptr},    {"ja", nullptr}, {"ko", nullptr},    {"nl", nullptr},
    {"no", nullptr},   {"pl", nullptr},    {"pt", nullptr}, {"pt_BR", nullptr}, {"ro", nullptr},
    {"ru", nullptr},   {"sk", nullptr},    {"sl", nullptr}, {"sv", nullptr},    {"tr", nullptr},
    {"zh", nullptr},   {"zh_TW", nullptr},
}};

// Fills the text's "%s" with the argument and turns "%%" into "%". The argument is copied
// as it stands, so user text is never read as a format and nothing is cut.
SString formatText(std::string_view format, const char *argument) {
  SString result;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      if (format[i + 1] == 's') {
        result.append(argument);
        ++i;
        continue;
      }
      if (format[i + 1] == '%') {
        result.append('%');
        ++i;
        continue;
      }
    }
    result.append(format[i]);
  }
  return result;
}

} // namespace

int getLanguageIndex() {
  const char *value = std::getenv("LANG");
  if (!value || std::strcmp(value, "C") == 0)
    return 0;
  // The bounded comparison includes the code's terminator, so it matches a value equal to
  // a code, or one that begins with a five-character code such as "pt_BR".
  for (int i = 0; i < kLanguageCount; ++i)
    if (std::strncmp(kLanguages[static_cast<std::size_t>(i)].code, value, 5) == 0)
      return i;
  const std::string_view text(value);
  for (int i = 0; i < kLanguageCount; ++i)
    if (text.starts_with(kLanguages[static_cast<std::size_t>(i)].code))
      return i;
  return 0;
}

const char *getLanguageCode(int index) {
  if (index < 0 || index >= kLanguageCount)
    return nullptr;
  return kLanguages[static_cast<std::size_t>(index)].code;
}

SString getMessage(int id, const char *argument) {
  if (id < 0 || id > kLastMessageId) {
    SString text(platformtext::kErrorDisplayingMessage);
    text.append(formatLong(id));
    text.append(platformtext::kErrorDisplayingMessageEnd);
    return text;
  }
  const Language &language = kLanguages[static_cast<std::size_t>(getLanguageIndex())];
  if (id == 0)
    return SString(language.code);
  const MessageTable &texts = language.texts ? *language.texts : kEnglish;
  return formatText(texts[static_cast<std::size_t>(id)], argument);
}

SString getErrorText(int code) {
  if (code < 0 || code > ERR_TEMP_DIRECTORY)
    return SString();
  // Ids 34 and 35 are not error texts, so the codes from 15 on skip them.
  return getMessage(code < ERR_WRITING_FILE ? code + 19 : code + 21);
}
