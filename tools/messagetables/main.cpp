// qgmessagetables: turns the UTF-8 message files into the catalogue's tables, each text in
// UTF-8 and in its language's code page, as C++ for the message catalogue to include.
//
// Usage: qgmessagetables OUTPUT MESSAGE_FILE...
// Fails, writing nothing, when a file is malformed or a text cannot be written in its code
// page; the message names the file, the line and the character.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iconv.h>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kMessageCount = 40;
constexpr std::string_view kCodePageKeyword = "codepage ";

// An input that cannot become a table; the text says where and why.
struct InputError {
  std::string message;
};

struct MessageFile {
  std::string path;
  std::string code;     // the base name without ".txt": the language code
  std::string codePage; // as iconv names it
  int codePageLine = 0;
  std::vector<std::string> texts; // UTF-8, by message id
  std::vector<int> lines;         // the line of each text
};

std::string location(const std::string &path, int line) {
  return path + ":" + std::to_string(line) + ": ";
}

// The length of the UTF-8 sequence at text[pos] and its code point; 0 when it is not
// well-formed UTF-8.
std::size_t decodeUtf8(std::string_view text, std::size_t pos, std::uint32_t &code) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
    code = lead & 0x1fu;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    code = lead & 0x0fu;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (pos + length > text.size())
    return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xc0u) != 0x80u)
      return 0;
    code = (code << 6) | (next & 0x3fu);
  }
  const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < smallest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
    return 0;
  return length;
}

// "U+0153" for code 0x153.
std::string codePointName(std::uint32_t code) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
  return name;
}

// Accepts only well-formed UTF-8 without control characters: the texts go to terminals.
void checkText(const std::string &text, const std::string &where) {
  for (std::size_t pos = 0; pos < text.size();) {
    std::uint32_t code = 0;
    const std::size_t length = decodeUtf8(text, pos, code);
    if (length == 0)
      throw InputError{where + "the text is not valid UTF-8"};
    if (code < 0x20 || code == 0x7f || (code >= 0x80 && code < 0xa0))
      throw InputError{where + "control character " + codePointName(code) + " in the text"};
    pos += length;
  }
}

// One entry line: the id, one blank and the text between the first and the last double
// quote of the line.
void parseEntry(const std::string &line, const std::string &where, MessageFile &file) {
  const std::string expected = std::to_string(file.texts.size());
  const std::size_t blank = line.find(' ');
  if (blank == std::string::npos || line.substr(0, blank) != expected)
    throw InputError{where + "expected entry " + expected + ": the id " + expected +
                     ", a blank and the text in double quotes"};
  if (file.texts.size() >= kMessageCount)
    throw InputError{where + "only the ids 0 to " + std::to_string(kMessageCount - 1) + " exist"};
  if (line.size() < blank + 3 || line[blank + 1] != '"' || line.back() != '"')
    throw InputError{where + "the text must stand in double quotes, the closing one "
                             "ending the line"};
  std::string text = line.substr(blank + 2, line.size() - blank - 3);
  checkText(text, where);
  file.texts.push_back(std::move(text));
}

// The language code of a file: its base name without ".txt". It names the table in the
// generated code, so only letters and "_" are allowed.
std::string baseCode(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.ends_with(".txt"))
    name.resize(name.size() - 4);
  const bool valid =
      !name.empty() && name.find_first_not_of("abcdefghijklmnopqrstuvwxyz"
                                              "ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == std::string::npos;
  if (!valid)
    throw InputError{path + ": the file name must be a language code and \".txt\""};
  return name;
}

MessageFile readMessageFile(const std::string &path) {
  MessageFile file;
  file.path = path;
  file.code = baseCode(path);
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw InputError{path + ": cannot be read"};
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string where = location(path, number);
    if (line.empty() || line[0] == '#')
      continue;
    if (line.starts_with(kCodePageKeyword)) {
      if (!file.codePage.empty() || !file.texts.empty())
        throw InputError{where + "one codepage line, before the entries"};
      file.codePage = line.substr(kCodePageKeyword.size());
      file.codePageLine = number;
      continue;
    }
    parseEntry(line, where, file);
    file.lines.push_back(number);
  }
  if (file.codePage.empty())
    throw InputError{path + ": no codepage line"};
  if (file.texts.size() != kMessageCount)
    throw InputError{path + ": " + std::to_string(file.texts.size()) + " entries; ids 0 to " +
                     std::to_string(kMessageCount - 1) + " are needed"};
  if (file.texts[0] != file.code)
    throw InputError{location(path, file.lines[0]) + "entry 0 must be the language code \"" +
                     file.code + "\", as in the file name"};
  return file;
}

// One direction of iconv(3), closed when it ends.
class Converter {
public:
  Converter(const std::string &to, const std::string &from)
      : handle_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (isOpen())
      iconv_close(handle_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;

  bool isOpen() const { return handle_ != reinterpret_cast<iconv_t>(std::intptr_t{-1}); }

  // The whole text converted, or false with failedAt on the first byte that did not.
  bool convert(const std::string &text, std::string &out, std::size_t &failedAt) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    std::string input = text; // iconv wants a writable input pointer
    std::string buffer(text.size() * 4 + 16, '\0');
    char *in = input.data();
    std::size_t inLeft = input.size();
    char *outPos = buffer.data();
    std::size_t outLeft = buffer.size();
    if (iconv(handle_, &in, &inLeft, &outPos, &outLeft) == static_cast<std::size_t>(-1) ||
        iconv(handle_, nullptr, nullptr, &outPos, &outLeft) == static_cast<std::size_t>(-1)) {
      failedAt = static_cast<std::size_t>(in - input.data());
      return false;
    }
    out.assign(buffer.data(), static_cast<std::size_t>(outPos - buffer.data()));
    return true;
  }

private:
  iconv_t handle_;
};

// The texts of a file in its code page. A text that does not convert, or does not come
// back unchanged, stops the build: nothing may be dropped or replaced on the way.
std::vector<std::string> toCodePage(const MessageFile &file) {
  Converter forth(file.codePage, "UTF-8");
  Converter back("UTF-8", file.codePage);
  if (!forth.isOpen() || !back.isOpen())
    throw InputError{location(file.path, file.codePageLine) + "unknown code page \"" +
                     file.codePage + "\""};
  std::vector<std::string> result;
  for (std::size_t id = 0; id < file.texts.size(); ++id) {
    const std::string &text = file.texts[id];
    const std::string where = location(file.path, file.lines[id]);
    std::string converted;
    std::string restored;
    std::size_t failedAt = 0;
    if (!forth.convert(text, converted, failedAt)) {
      std::uint32_t code = 0;
      const std::size_t length = decodeUtf8(text, failedAt, code);
      throw InputError{where + "\"" + text.substr(failedAt, length) + "\" (" + codePointName(code) +
                       ") cannot be written in " + file.codePage + "; choose a wording without it"};
    }
    if (!back.convert(converted, restored, failedAt) || restored != text)
      throw InputError{where + "the text does not come back unchanged from " + file.codePage +
                       "; choose a wording without the characters that change"};
    result.push_back(std::move(converted));
  }
  return result;
}

// A C++ string literal of the bytes. Every byte outside printable ASCII is an octal escape,
// which takes at most three digits and so cannot swallow a following character.
std::string literal(std::string_view bytes) {
  std::string out = "\"";
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\' || c == '?') {
      out += '\\';
      out += c;
    } else if (byte >= 0x20 && byte < 0x7f) {
      out += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03o", static_cast<unsigned>(byte));
      out += escape;
    }
  }
  return out + "\"";
}

void writeTable(std::ostream &out, const std::vector<std::string> &texts) {
  out << "    {{\n";
  for (const std::string &text : texts)
    out << "        " << literal(text) << ",\n";
  out << "    }},\n";
}

std::string generate(const std::vector<MessageFile> &files) {
  std::ostringstream out;
  out << "// Generated by qgmessagetables from the message files; edit those, not this.\n"
         "// Each language has its texts in UTF-8, then in its code page.\n";
  for (const MessageFile &file : files) {
    out << "\n// " << file.code << ": UTF-8 and " << file.codePage << "\n"
        << "constexpr MessageTexts " << file.code << " = {\n";
    writeTable(out, file.texts);
    writeTable(out, toCodePage(file));
    out << "};\n";
  }
  return out.str();
}

// Written beside the target and renamed over it, so a failed run leaves no partial table
// that the build could take for current.
void writeOutput(const std::string &path, const std::string &content) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush())
      throw InputError{temporary + ": cannot be written"};
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0)
    throw InputError{path + ": cannot be written"};
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fputs("Usage: qgmessagetables OUTPUT MESSAGE_FILE...\n", stderr);
    return 2;
  }
  try {
    std::vector<MessageFile> files;
    for (int i = 2; i < argc; ++i)
      files.push_back(readMessageFile(argv[i]));
    writeOutput(argv[1], generate(files));
  } catch (const InputError &e) {
    std::fprintf(stderr, "qgmessagetables: %s\n", e.message.c_str());
    return 1;
  }
  return 0;
}
