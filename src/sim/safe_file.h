#pragma once

#include <string>
#include <string_view>

namespace daxwel::sim {

// A system error number (errno) in the program's language, for messages about files.
std::string SystemErrorText(int error);

// What a write to a path would reach once its symbolic links are followed.
enum class TargetKind { Missing, Regular, Stream, Folder, Other };

struct WriteTarget {
  std::string path;  // the final target (the path itself when it is no link)
  TargetKind kind = TargetKind::Missing;
  bool readOnly = false;  // a regular file nobody may write
  std::string problem;    // why nothing can be written there (a loop of links); else empty
};

// Follows `path` link by link to the file a write would reach; a dangling link reaches the
// file it names, which the write then creates.
WriteTarget ResolveWriteTarget(const std::string& path);

// Checks made before any work, so a refusal never comes after reading a whole chip: an empty
// name, a folder, an existing regular file without `replace` ("use --force"), a read-only file,
// a missing or unwritable folder. A character device or a FIFO is always taken. Answers the
// empty text or the message.
std::string CheckWritable(const std::string& path, bool replace);

// Writes `text` where `path` leads. A regular file gets a hidden temporary file in its folder
// that is renamed into place, so an interrupted write never leaves half a file (and one the
// system could not finish leaves no name behind); the replaced file keeps its permissions. A
// character device or a FIFO is written directly, `replace` or not; anything else is refused.
// With `replace` false an existing file is left alone and the write fails, and a read-only file is
// never replaced. With `lockedFd` the new file is opened, locked (flock) before it gets its name,
// and its descriptor handed over. Answers the empty text, or why it failed.
std::string WriteFileAtomically(const std::string& path, std::string_view text, bool replace,
                                int* lockedFd = nullptr);

// Opens /dev/null on whichever of standard input, output and error the program was started
// without (`>&-`). Otherwise the next file opened takes that number, and the program's own
// text would be written into it (a state file, a trace). Call first thing in main.
void ReserveStandardStreams();

// Whether both paths lead to the same file (once links are followed; also when it does not
// exist yet).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace daxwel::sim
