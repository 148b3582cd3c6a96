#include "sim/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <optional>
#include <vector>

#include "link/ppdev_port.h"

namespace daxwel::sim {

namespace {

namespace fs = std::filesystem;

constexpr int kMostLinks = 40;  // as the kernel allows before ELOOP
// Hidden temporary files are named ".daxwel-PID-N.tmp": short enough beside any name, and the
// PID tells whether the process that made one is still there.
constexpr std::string_view kTempPrefix = ".daxwel-";
constexpr std::string_view kTempSuffix = ".tmp";

std::string FolderOf(const std::string& path) {
  const fs::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

std::string TempName(const std::string& dir, int attempt) {
  std::string name(kTempPrefix);
  name += std::to_string(::getpid());
  name += '-';
  name += std::to_string(attempt);
  name += kTempSuffix;
  return (fs::path(dir) / name).string();
}

// Temporary files left by a process that no longer runs (killed half-way through a write
// before this program used unnamed ones, or on a file system without them).
void RemoveStaleTemporaries(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(d)) {
    const std::string_view name(entry->d_name);
    if (name.substr(0, kTempPrefix.size()) != kTempPrefix || name.size() <= kTempSuffix.size() ||
        name.substr(name.size() - kTempSuffix.size()) != kTempSuffix) {
      continue;
    }
    const std::string_view middle = name.substr(kTempPrefix.size());
    const long pid = std::strtol(std::string(middle).c_str(), nullptr, 10);
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) stale.emplace_back(name);
  }
  ::closedir(d);
  for (const std::string& name : stale) ::unlink((fs::path(dir) / name).c_str());
}

bool WriteAll(int fd, std::string_view text, int& error) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// A character device or a FIFO: written in place, as a shell redirection would. A FIFO nobody
// reads from is refused rather than waited on.
std::string WriteStream(const std::string& path, const std::string& shown, std::string_view text) {
  const std::string cannot = "No se puede escribir el archivo " + shown + ": ";
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENXIO) return cannot + "nadie lee de esa tubería";
    return cannot + SystemErrorText(errno);
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  int error = 0;
  WriteAll(fd, text, error);
  if (::close(fd) != 0 && error == 0) error = errno;
  return error == 0 ? std::string() : cannot + SystemErrorText(error);
}

}  // namespace

std::string SystemErrorText(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "permiso denegado";
    case ENOENT:
      return "la carpeta no existe";
    case EISDIR:
      return "es una carpeta";
    case ENOTDIR:
      return "una parte de la ruta no es una carpeta";
    case ENOSPC:
      return "no queda espacio en el disco";
    case EDQUOT:
      return "se agotó la cuota de disco";
    case EROFS:
      return "el disco es de solo lectura";
    case ENAMETOOLONG:
      return "el nombre es demasiado largo";
    case ELOOP:
      return "demasiados enlaces simbólicos (¿un enlace que apunta a sí mismo?)";
    case EEXIST:
      return "el archivo ya existe";
    case EFBIG:
      return "el archivo es demasiado grande";
    case EMFILE:
    case ENFILE:
      return "demasiados archivos abiertos";
    case ETXTBSY:
      return "el archivo es un programa en ejecución";
    case EXDEV:
      return "el archivo está en otro disco";
    case EAGAIN:
      return "el recurso no está disponible por ahora";
    default:
      // The port's table covers the device errors and names any other by its number.
      return ErrorText(error);
  }
}

WriteTarget ResolveWriteTarget(const std::string& path) {
  WriteTarget target;
  std::string current = path;
  for (int hop = 0; hop <= kMostLinks; ++hop) {
    target.path = current;
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0) {
      if (errno != ENOENT) target.problem = SystemErrorText(errno);
      return target;
    }
    if (S_ISLNK(st.st_mode)) {
      std::error_code ec;
      const fs::path link = fs::read_symlink(current, ec);
      if (ec) {
        target.problem = SystemErrorText(ec.value());
        return target;
      }
      current = link.is_absolute() ? link.string() : (fs::path(FolderOf(current)) / link).string();
      continue;
    }
    if (S_ISREG(st.st_mode)) {
      target.kind = TargetKind::Regular;
      // Even root leaves alone a file whose owner took every write permission away.
      target.readOnly = (st.st_mode & 0222) == 0 || ::access(current.c_str(), W_OK) != 0;
    } else if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
      target.kind = TargetKind::Stream;
    } else if (S_ISDIR(st.st_mode)) {
      target.kind = TargetKind::Folder;
    } else {
      target.kind = TargetKind::Other;
    }
    return target;
  }
  target.problem = SystemErrorText(ELOOP);
  return target;
}

std::string CheckWritable(const std::string& path, bool replace) {
  if (path.empty()) return "Falta el nombre del archivo";
  const std::string cannot = "No se puede escribir el archivo " + path + ": ";
  const WriteTarget target = ResolveWriteTarget(path);
  if (!target.problem.empty()) return cannot + target.problem;
  switch (target.kind) {
    case TargetKind::Folder:
      return cannot + "es una carpeta";
    case TargetKind::Other:
      return cannot + "no es un archivo regular";
    case TargetKind::Stream:
      return {};  // written, never replaced: nothing in it can be lost
    case TargetKind::Regular:
      if (!replace) return "El archivo " + path + " ya existe (use --force para reemplazarlo)";
      if (target.readOnly) return cannot + "es de solo lectura";
      break;
    case TargetKind::Missing:
      break;
  }
  const std::string dir = FolderOf(target.path);
  if (::access(dir.c_str(), W_OK) != 0) {
    return "No se puede escribir en la carpeta " + dir + ": " + SystemErrorText(errno);
  }
  return {};
}

namespace {

// An unnamed file first: a process killed before the rename leaves nothing behind. It gets
// its name through /proc; a file system without unnamed files, or a system without /proc (a
// bare chroot), gets a named temporary file instead, named in `temp`. -1 and `error` when
// neither opens.
int OpenTemporary(const std::string& dir, std::string& temp, int& error) {
  int fd = ::access("/proc/self/fd", X_OK) == 0
               ? ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)
               : -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TempName(dir, attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      error = errno;
      return -1;
    }
  }
  if (fd < 0) error = EEXIST;
  return fd;
}

// The unnamed file gets a name: the target itself when nothing is there, otherwise a hidden
// one in `temp` that is then renamed over the target. 0 or the errno.
int GiveName(int fd, const std::string& dir, const std::string& target, bool replace,
             std::string& temp) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (!replace) {
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0
               ? errno
               : 0;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TempName(dir, attempt);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    temp.clear();
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// The named temporary file becomes the target. 0 or the errno.
int Publish(const std::string& temp, const std::string& target, bool replace) {
  if (replace) return ::rename(temp.c_str(), target.c_str()) != 0 ? errno : 0;
  // link() fails when the target exists, so a file that appeared meanwhile is kept.
  return ::link(temp.c_str(), target.c_str()) != 0 ? errno : 0;
}

}  // namespace

std::string WriteFileAtomically(const std::string& path, std::string_view text, bool replace,
                                int* lockedFd) {
  const std::string cannot = "No se puede escribir el archivo " + path + ": ";
  if (path.empty()) return "Falta el nombre del archivo";
  const WriteTarget target = ResolveWriteTarget(path);
  if (!target.problem.empty()) return cannot + target.problem;
  switch (target.kind) {
    case TargetKind::Folder:
      return cannot + "es una carpeta";
    case TargetKind::Other:
      return cannot + "no es un archivo regular";
    case TargetKind::Stream:
      if (lockedFd != nullptr) return cannot + "no es un archivo regular";
      return WriteStream(target.path, path, text);
    case TargetKind::Regular:
      if (!replace) return "El archivo " + path + " ya existe";
      if (target.readOnly) return cannot + "es de solo lectura";
      break;
    case TargetKind::Missing:
      break;
  }
  const std::string dir = FolderOf(target.path);
  RemoveStaleTemporaries(dir);

  std::string temp;
  int error = 0;
  const int fd = OpenTemporary(dir, temp, error);
  if (fd < 0) return cannot + SystemErrorText(error);
  const bool unnamed = temp.empty();

  WriteAll(fd, text, error);
  if (error == 0 && target.kind == TargetKind::Regular) {
    // The replaced file's permissions stay what its owner made them.
    struct stat old {};
    if (::stat(target.path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (error == 0 && lockedFd != nullptr && ::flock(fd, LOCK_EX | LOCK_NB) != 0) error = errno;

  if (error == 0 && unnamed) error = GiveName(fd, dir, target.path, replace, temp);
  if (error == 0 && !temp.empty()) error = Publish(temp, target.path, replace);
  if (!temp.empty() && (error != 0 || !replace)) ::unlink(temp.c_str());

  if (error == 0 && lockedFd != nullptr) {
    *lockedFd = fd;
  } else if (::close(fd) != 0 && error == 0) {
    error = errno;
  }
  if (error == EEXIST && !replace) return "El archivo " + path + " ya existe";
  if (error != 0) return cannot + SystemErrorText(error);
  return {};
}

void ReserveStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is this one, since the ones below are open by now.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;  // no file at all is nobody's file
  const WriteTarget ta = ResolveWriteTarget(a);
  const WriteTarget tb = ResolveWriteTarget(b);
  struct stat sa {};
  struct stat sb {};
  if (::stat(ta.path.c_str(), &sa) == 0 && ::stat(tb.path.c_str(), &sb) == 0) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }
  const auto canonical = [](const std::string& path) -> std::optional<fs::path> {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec) return std::nullopt;
    fs::path resolved = fs::weakly_canonical(absolute, ec);
    if (ec) return std::nullopt;
    return resolved;
  };
  const std::optional<fs::path> ca = canonical(ta.path);
  const std::optional<fs::path> cb = canonical(tb.path);
  return ca && cb && *ca == *cb;
}

}  // namespace daxwel::sim
