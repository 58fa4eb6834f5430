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
  return formatText(language.codePage[static_cast<std::size_t>(id)], argument);
}

SString getErrorText(int code) {
  if (code < 0 || code > ERR_TEMP_DIRECTORY)
    return SString();
  // Ids 34 and 35 are not error texts, so the codes from 15 on skip them.
  return getMessage(code < ERR_WRITING_FILE ? code + 19 : code + 21);
}
