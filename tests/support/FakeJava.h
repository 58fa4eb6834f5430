// A fake Java VM for tests: a JVM home whose executable is a shell script that records how
// it was started (arguments, working directory, environment) and, when started with the
// verification class "Verify", answers like a JVM with the given system properties.
#pragma once

#include <map>
#include <string>
#include <vector>

class FakeJava {
public:
  // Makes home and home/exe (exe relative, components joined by "/"); the record of the
  // runs goes to home/.record.
  explicit FakeJava(std::string home, const std::string &exe = "bin/java");

  const std::string &home() const { return home_; }
  const std::string &executable() const { return executable_; }

  // The system properties the verification reports; others are "null".
  void setProperty(const std::string &name, const std::string &value);
  // Printed before anything else on standard output (a JVM's notice).
  void setPreamble(const std::string &text);
  // Without the magic line the verification fails.
  void setMagic(bool on);
  // Seconds to sleep before answering, and the exit code of every run.
  void setSleep(int seconds);
  void setExitCode(int code);

  // How many times the executable ran, and what the last run saw.
  int runs() const;
  std::vector<std::string> arguments() const;
  std::string workingDirectory() const;
  // The value of a variable in the last run's environment; "(unset)" when it was not set.
  std::string environment(const std::string &name) const;
  // Forgets the runs so far.
  void clearRecord();

private:
  std::string record(const std::string &name) const { return home_ + "/.record/" + name; }

  std::string home_;
  std::string executable_;
  std::map<std::string, std::string> properties_;
};
