// A recording fake Java VM for tests.
#include "tests/support/FakeJava.h"

#include "tests/support/TempDir.h"

#include <filesystem>
#include <sys/stat.h>

namespace {
// Records the run, then answers like a JVM running the verification class when "Verify"
// is among the arguments: the magic line, then one property per argument after it.
const char *const kScript = R"SH(
n=$(cat "$rec/runs" 2>/dev/null || echo 0)
echo $((n + 1)) > "$rec/runs"
printf '%s\0' "$@" > "$rec/args"
pwd > "$rec/cwd"
env -0 > "$rec/env"
[ -f "$rec/sleep" ] && sleep "$(cat "$rec/sleep")"
[ -f "$rec/preamble" ] && cat "$rec/preamble"
verify=0
for a in "$@"; do
  if [ $verify = 1 ]; then
    awk -F= -v k="$a" '$1 == k { sub(/^[^=]*=/, ""); print; found = 1 }
                       END { if (!found) print "null" }' "$rec/properties"
  elif [ "$a" = Verify ]; then
    verify=1
    [ -f "$rec/nomagic" ] || echo 1739021872
  fi
done
exit $(cat "$rec/exit" 2>/dev/null || echo 0)
)SH";

// text between single quotes for the shell.
std::string singleQuoted(const std::string &text) {
  std::string quoted = "'";
  for (const char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
} // namespace

FakeJava::FakeJava(std::string home, const std::string &exe) : home_(std::move(home)) {
  executable_ = home_ + "/" + exe;
  std::filesystem::create_directories(std::filesystem::path(executable_).parent_path());
  std::filesystem::create_directories(home_ + "/.record");
  // The record stays where it is when the program is copied elsewhere.
  writeFile(executable_, "#!/bin/sh\nrec=" + singleQuoted(home_ + "/.record") + kScript);
  ::chmod(executable_.c_str(), 0755);
  writeFile(record("properties"), "");
}

void FakeJava::setProperty(const std::string &name, const std::string &value) {
  properties_[name] = value;
  std::string lines;
  for (const auto &[key, text] : properties_)
    lines += key + "=" + text + "\n";
  writeFile(record("properties"), lines);
}

void FakeJava::setPreamble(const std::string &text) {
  writeFile(record("preamble"), text);
}

void FakeJava::setMagic(bool on) {
  if (on)
    std::filesystem::remove(record("nomagic"));
  else
    writeFile(record("nomagic"), "");
}

void FakeJava::setSleep(int seconds) {
  writeFile(record("sleep"), std::to_string(seconds));
}

void FakeJava::setExitCode(int code) {
  writeFile(record("exit"), std::to_string(code));
}

int FakeJava::runs() const {
  const std::string text = readFile(record("runs"));
  return text.empty() ? 0 : std::stoi(text);
}

std::vector<std::string> FakeJava::arguments() const {
  std::vector<std::string> arguments;
  const std::string text = readFile(record("args"));
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\0', start);
    arguments.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

std::string FakeJava::workingDirectory() const {
  std::string text = readFile(record("cwd"));
  if (!text.empty() && text.back() == '\n')
    text.pop_back();
  return text;
}

std::string FakeJava::environment(const std::string &name) const {
  const std::string text = readFile(record("env"));
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\0', start);
    const std::string entry = text.substr(start, end - start);
    if (entry.compare(0, name.size() + 1, name + "=") == 0)
      return entry.substr(name.size() + 1);
    start = end + 1;
  }
  return "(unset)";
}

void FakeJava::clearRecord() {
  for (const char *name : {"runs", "args", "cwd", "env"})
    std::filesystem::remove(record(name));
}
