// Depth-first directory walkers: FileNavigator and the tree remover DeleteFullDir.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"

class FileNavigator {
public:
  FileNavigator() = default;
  FileNavigator(const FileNavigator &) = delete;
  FileNavigator &operator=(const FileNavigator &) = delete;
  virtual ~FileNavigator() = default;

  // Walks the tree below start, each directory's files before its subdirectories, the
  // subdirectory found last walked first. Links are never followed. Returns true when
  // onFile asked to stop. Directories that cannot be opened are passed over.
  virtual bool walk(const SString &start);
  // Called for every entry that is not a directory; true stops the walk.
  virtual bool onFile(const SString &path) = 0;
  // True keeps the walk out of path.
  virtual bool skipDirectory(const SString &path);

  // Every directory taken during the last walk, in the order taken.
  const StringDeque &getVisited() const { return visited_; }

private:
  StringDeque visited_;
  StringDeque pending_;
};

// Removes a whole tree: every file during the walk, then the directories deepest first.
// A directory below which something could not be removed is kept without further noise.
class DeleteFullDir final : public FileNavigator {
public:
  bool walk(const SString &start) override;
  bool onFile(const SString &path) override;

  const StringDeque &getFailed() const { return failed_; }

private:
  StringDeque failed_;
};
