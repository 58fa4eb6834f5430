// The message catalogue: the language tables, the choice of language and output encoding,
// and message formatting.
#include "native/launcher/linux/MessageCatalog.h"

#include "base/TextFunctions.h"
#include "native/launcher/linux/PlatformTexts.h"

#include <array>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <string>
#include <string_view>

namespace {

constexpr int kMessageCount = kLastMessageId + 1;
using MessageTable = std::array<const char *, kMessageCount>;

// A language's texts, entry 0 being its code: in UTF-8, and the same texts byte for byte
// in the language's code page for terminals that are not UTF-8.
struct MessageTexts {
  MessageTable utf8;
  MessageTable codePage;
};

// The tables are generated at build time from the files in messages/, one per language.
namespace messagetexts {
#include "native/launcher/linux/MessageTexts.inc"
} // namespace messagetexts

struct Language {
  const char *code;
  const MessageTexts *texts;
};

// The order is part of the selection rule: the first match wins, so "pt" must stay before
// "pt_BR" and "zh" before "zh_TW".
constexpr std::array<Language, kLanguageCount> kLanguages = {{
    {"en", &messagetexts::en},       {"bg", &messagetexts::bg}, {"cs", &messagetexts::cs},
    {"da", &messagetexts::da},       {"de", &messagetexts::de}, {"el", &messagetexts::el},
    {"es", &messagetexts::es},       {"fi", &messagetexts::fi}, {"fr", &messagetexts::fr},
    {"hr", &messagetexts::hr},       {"hu", &messagetexts::hu}, {"it", &messagetexts::it},
    {"ja", &messagetexts::ja},       {"ko", &messagetexts::ko}, {"nl", &messagetexts::nl},
    {"no", &messagetexts::no},       {"pl", &messagetexts::pl}, {"pt", &messagetexts::pt},
    {"pt_BR", &messagetexts::pt_BR}, {"ro", &messagetexts::ro}, {"ru", &messagetexts::ru},
    {"sk", &messagetexts::sk},       {"sl", &messagetexts::sl}, {"sv", &messagetexts::sv},
    {"tr", &messagetexts::tr},       {"zh", &messagetexts::zh}, {"zh_TW", &messagetexts::zh_TW},
}};

// True when a codeset name means UTF-8, whatever its spelling: "UTF-8", "utf8", "Utf-8".
// Compared in ASCII, not through the locale whose codeset is in question.
bool isUtf8Codeset(std::string_view codeset) {
  std::string letters;
  for (char c : codeset) {
    if (c >= 'A' && c <= 'Z')
      letters.push_back(static_cast<char>(c - 'A' + 'a'));
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
      letters.push_back(c);
  }
  return letters == "utf8";
}

// The codeset part of a locale name: "UTF-8" in "de_DE.UTF-8@euro"; empty without one.
std::string_view codesetOfLocaleName(std::string_view name) {
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos)
    return {};
  const std::string_view rest = name.substr(dot + 1);
  return rest.substr(0, rest.find('@'));
}

// The variable that decides the character type locale, as setlocale reads them: the first
// of LC_ALL, LC_CTYPE and LANG that is set and not empty; null when none is.
const char *characterLocaleVariable() {
  for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char *value = std::getenv(name);
    if (value && *value)
      return value;
  }
  return nullptr;
}

// Whether the texts go out in UTF-8 rather than in the language's code page: when the
// locale in force is UTF-8, or when it is still the C locale although the environment
// names a UTF-8 one, which happens where that locale is not installed (minimal systems
// often lack it, but their terminals are UTF-8 all the same).
bool outputIsUtf8() {
  if (isUtf8Codeset(nl_langinfo(CODESET)))
    return true;
  const char *current = std::setlocale(LC_CTYPE, nullptr);
  if (!current || (std::strcmp(current, "C") != 0 && std::strcmp(current, "POSIX") != 0))
    return false;
  const char *wanted = characterLocaleVariable();
  return wanted && isUtf8Codeset(codesetOfLocaleName(wanted));
}

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
  const MessageTexts &language = *kLanguages[static_cast<std::size_t>(getLanguageIndex())].texts;
  const MessageTable &texts = outputIsUtf8() ? language.utf8 : language.codePage;
  return formatText(texts[static_cast<std::size_t>(id)], argument);
}

SString getErrorText(int code) {
  if (code < 0 || code > ERR_TEMP_DIRECTORY)
    return SString();
  // Ids 34 and 35 are not error texts, so the codes from 15 on skip them.
  return getMessage(code < ERR_WRITING_FILE ? code + 19 : code + 21);
}
