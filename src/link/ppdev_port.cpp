#include "link/ppdev_port.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace daxwel {
namespace {

class RealDeviceFiles final : public DeviceFiles {
 public:
  int Open(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    return ::ioctl(fd, request, arg) == 0 ? 0 : errno;
  }
  void Close(int fd) override { ::close(fd); }
  LinesOffAction EmergencyAction(int fd, const RestBytes& rest) const override {
    return {[](const LinesOffAction& action) noexcept {
              unsigned char data = action.data;
              ::ioctl(action.handle, PPWDATA, &data);
              if (action.control >= 0) {
                unsigned char control = static_cast<unsigned char>(action.control);
                ::ioctl(action.handle, PPWCONTROL, &control);
              }
            },
            fd, rest.data, rest.control ? int{*rest.control} : -1};
  }
};

std::string OpenReason(const std::string& device, PpdevOpenError::Step step, int error) {
  using Step = PpdevOpenError::Step;
  switch (step) {
    case Step::kOpen:
      if (error == EACCES || error == EPERM)
        return device + ": permiso denegado; agregue su usuario al grupo lp";
      if (error == ENOENT || error == ENODEV || error == ENXIO)
        return device + ": no existe; cargue el controlador con 'modprobe ppdev'";
      if (error == EBUSY) return device + ": el puerto está ocupado por otro programa";
      return device + ": no se pudo abrir (" + ErrorText(error) + ")";
    case Step::kExclusive:
      return device + ": no se pudo pedir el puerto en exclusiva (" + ErrorText(error) + ")";
    case Step::kClaim:
      // ppdev refuses an exclusive claim with ENXIO while any other driver is registered.
      if (error == EBUSY || error == ENXIO)
        return device + ": el puerto está ocupado por otro programa";
      if (error == EINTR) return device + ": se interrumpió la espera del puerto";
      return device + ": no se pudo reservar el puerto (" + ErrorText(error) + ")";
    case Step::kSetUp:
      break;
  }
  return device + ": el puerto no responde (" + ErrorText(error) + ")";
}

}  // namespace

LinesOffAction DeviceFiles::EmergencyAction(int /*fd*/, const RestBytes& /*rest*/) const {
  return {};
}

DeviceFiles& SystemDeviceFiles() {
  static RealDeviceFiles files;  // no state of its own
  return files;
}

std::string ErrorText(int error) {
  switch (error) {
    case EACCES:
      return "permiso denegado";
    case EPERM:
      return "operación no permitida";
    case ENOENT:
      return "no existe";
    case ENODEV:
      return "el dispositivo ya no existe";
    case ENXIO:
      return "no hay tal dispositivo";
    case EBUSY:
      return "dispositivo ocupado";
    case EIO:
      return "error de entrada/salida";
    case EINTR:
      return "interrumpido";
    case ENOTTY:
      return "no es un puerto paralelo";
    case EINVAL:
      return "petición no válida";
    case EISDIR:
      return "es una carpeta, no un dispositivo";
    case ENOTDIR:
      return "una parte de la ruta no es una carpeta";
    case ELOOP:
      return "demasiados enlaces simbólicos";
    case ENAMETOOLONG:
      return "el nombre es demasiado largo";
    case EROFS:
      return "el disco es de solo lectura";
    case ENOMEM:
      return "memoria insuficiente";
    case EMFILE:
    case ENFILE:
      return "demasiados archivos abiertos";
    case EAGAIN:
      return "el recurso no está disponible por ahora";
    case ETXTBSY:
      return "el archivo está en uso";
    case EOPNOTSUPP:
      return "operación no admitida";
    case ENOSPC:
      return "no queda espacio en el disco";
    default:
      // Still in the program's language; the number lets the rare case be looked up.
      return "error del sistema número " + std::to_string(error);
  }
}

PpdevPort::PpdevPort(DeviceFiles& files, std::string device, std::uint16_t base, Claim claim,
                     RestBytes rest)
    : files_(files), device_(std::move(device)), base_(base), rest_(rest) {
  using Step = PpdevOpenError::Step;
  const int fd = files_.Open(device_);
  if (fd < 0) throw PpdevOpenError(OpenReason(device_, Step::kOpen, -fd), Step::kOpen, -fd);

  bool claimed = false;
  auto fail = [&](Step step, int error) {
    if (claimed) files_.Ioctl(fd, PPRELEASE, nullptr);
    files_.Close(fd);
    throw PpdevOpenError(OpenReason(device_, step, error), step, error);
  };
  if (claim == Claim::kExclusive) {
    if (int e = files_.Ioctl(fd, PPEXCL, nullptr)) fail(Step::kExclusive, e);
  }
  if (int e = files_.Ioctl(fd, PPCLAIM, nullptr)) fail(Step::kClaim, e);
  claimed = true;
  // A port left in reverse (input) mode would not drive the data lines at all.
  int forward = 0;
  if (int e = files_.Ioctl(fd, PPDATADIR, &forward)) fail(Step::kSetUp, e);
  // Whatever the last user left on the lines, the adapter starts with every line off.
  if (int e = WriteRest(fd)) fail(Step::kSetUp, e);

  fd_ = fd;
  const LinesOffAction action = files_.EmergencyAction(fd_, rest_);
  if (action.run != nullptr) emergency_ = std::make_unique<EmergencyRegistration>(action);
}

int PpdevPort::WriteRest(int fd) {
  unsigned char data = rest_.data;
  if (int e = files_.Ioctl(fd, PPWDATA, &data)) return e;
  if (!rest_.control) return 0;
  unsigned char control = *rest_.control;
  return files_.Ioctl(fd, PPWCONTROL, &control);
}

PpdevPort::~PpdevPort() {
  WriteRest(fd_);
  emergency_.reset();
  files_.Ioctl(fd_, PPRELEASE, nullptr);
  files_.Close(fd_);
}

void PpdevPort::PortOut(std::uint16_t address, std::uint8_t value) {
  const bool control = address == static_cast<std::uint16_t>(base_ + 2);
  if (address != base_ && !control) return;
  unsigned char byte = value;
  if (int e = files_.Ioctl(fd_, control ? PPWCONTROL : PPWDATA, &byte))
    throw PortError(device_ + ": falló la escritura en el puerto (" + ErrorText(e) + ")");
}

std::uint8_t PpdevPort::PortIn(std::uint16_t address) {
  if (address != static_cast<std::uint16_t>(base_ + 1)) return 0xFF;
  unsigned char status = 0;
  if (int e = files_.Ioctl(fd_, PPRSTATUS, &status))
    throw PortError(device_ + ": falló la lectura del puerto (" + ErrorText(e) + ")");
  return status;
}

}  // namespace daxwel
