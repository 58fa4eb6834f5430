// Instructions: the interpreter of the instruction script held in a tag file.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"

#include <string>
#include <unordered_map>

class InstructionHost;
class TagFile;

// Runs the lines of the tag "INSTRUCTIONS" one after the other. The tag file is read, not
// owned, and must outlive this object.
class Instructions {
public:
  explicit Instructions(TagFile &tagFile) : tagFile_(&tagFile) {}
  Instructions(const Instructions &) = delete;
  Instructions &operator=(const Instructions &) = delete;
  virtual ~Instructions() = default;

  // Runs the script from its first line and returns the result of its last LAUNCH or
  // ILAUNCH, 0 when none ran (and for an empty script). Raises InstructionsException for
  // script errors (with the line number, from 1) and passes on the LauncherExceptions of the
  // host, of variable references and of quoted arguments. The first error ends the run.
  int run(InstructionHost &host);

private:
  using size_type = SString::size_type;
  using Handler = void (Instructions::*)(const SString &line, size_type &pos);
  struct Command {
    const char *name;
    Handler handler;
  };
  static const Command kCommands[];

  const SString &line(int index) const;
  // Maps every line that begins with ":" to the index of its first occurrence.
  void indexLabels();

  // One word separated by C-locale white space; noWord tells that none was left.
  SString nextWord(const SString &line, size_type &pos, bool &noWord) const;
  // The next word, or raiseError(missing) when there is none.
  SString requireWord(const SString &line, size_type &pos, const char *missing);
  // An argument that may be quoted (a run of 2k quotes stands for k quotes, the first odd
  // run closes it), then unquoted and expanded by prepareValue. Raises LauncherException
  // "Expected ending quote in ..." when the closing quote is missing.
  SString readQuotedArgument(const SString &line, size_type &pos, const SString &context);
  // Replaces every "@REF@" by the variable's value, pass after pass until a pass replaces
  // nothing; a value that holds references is resolved in turn. "@@" stands for "@" (read
  // again as an opening "@" when the same text also had a substitution). Raises
  // InstructionsException context + " " + detail for an empty text, a lone "@", after 1000
  // substitutions and when the text would grow past 16 MiB; reference errors are
  // LauncherExceptions.
  void expandVariables(SString &text, const SString &context);
  int evaluateNumber(const SString &text, const SString &context);
  short evaluateShort(const SString &text, const SString &context);
  bool evaluateBoolean(const SString &text, const SString &context);
  // The value rule of SET: empty stays empty; a quoted text is unquoted; any other text is
  // cut at its first blank; then variables are expanded.
  void prepareValue(SString &text, const SString &context);
  [[noreturn]] void raiseError(const SString &message) const;
  // The index of the line that reads ":" + label after expansion.
  int findLabel(const SString &label);

  void doFindJVM(const SString &line, size_type &pos);
  void doGoto(const SString &line, size_type &pos);
  void doILaunch(const SString &line, size_type &pos);
  void doInitializeUI(const SString &line, size_type &pos);
  void doInstallJVM(const SString &line, size_type &pos);
  void doJmp0(const SString &line, size_type &pos);
  void doLaunch(const SString &line, size_type &pos);
  void doSet(const SString &line, size_type &pos);
  void doVerify(const SString &line, size_type &pos);
  void doExecuteLauncher(const SString &line, size_type &pos);
  void doComment(const SString &line, size_type &pos);

  TagFile *tagFile_;
  int currentLine_ = 0;
  // Taken once when a run starts.
  const StringDeque *lines_ = nullptr;
  int lineCount_ = 0;
  std::unordered_map<std::string, int> labels_;
  // Valid while run is on the stack.
  InstructionHost *host_ = nullptr;
  int result_ = 0;
};
