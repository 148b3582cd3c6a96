#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>  // the _IO macros the PP* requests expand to
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/exit_guard.h"
#include "link/line_driver.h"
#include "link/port_open.h"

namespace daxwel {
namespace {

namespace fs = std::filesystem;
using Log = std::vector<std::string>;

// A throw-away /proc/sys/dev/parport.
class FakeProc {
 public:
  FakeProc() {
    std::string pattern = (fs::temp_directory_path() / "daxwel-proc-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
  }
  ~FakeProc() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  void Port(const std::string& name, const std::string& baseAddr) {
    fs::create_directories(root_ / name / "devices");
    std::ofstream(root_ / name / "base-addr") << baseAddr;
  }
  void Active(const std::string& name, const std::string& holder) {
    std::ofstream(root_ / name / "devices" / "active") << holder;
  }
  const fs::path& Root() const { return root_; }

 private:
  fs::path root_;
};

std::string RequestName(unsigned long request) {
  switch (request) {
    case PPEXCL:
      return "EXCL";
    case PPCLAIM:
      return "CLAIM";
    case PPRELEASE:
      return "RELEASE";
    case PPDATADIR:
      return "DATADIR";
    case PPWDATA:
      return "WDATA";
    case PPWCONTROL:
      return "WCONTROL";
    case PPRSTATUS:
      return "RSTATUS";
    default:
      return "?";
  }
}

// Device files that exist only in `present`; every call lands in `log`.
class FakeFiles final : public DeviceFiles {
 public:
  int Open(const std::string& path) override {
    log.push_back("open " + path);
    if (auto it = openError.find(path); it != openError.end()) return -it->second;
    if (!present.count(path)) return -ENOENT;
    ++openCount;
    return nextFd++;
  }
  int Ioctl(int /*fd*/, unsigned long request, void* arg) override {
    std::string entry = RequestName(request);
    if (request == PPWDATA || request == PPWCONTROL) {
      char value[8];
      std::snprintf(value, sizeof value, " %02X", *static_cast<unsigned char*>(arg));
      entry += value;
    }
    if (request == PPDATADIR) entry += " " + std::to_string(*static_cast<int*>(arg));
    if (request == PPRELEASE && EmergencyLinesOffArmed()) entry += " (armed)";
    log.push_back(entry);
    if (auto it = ioctlError.find(request); it != ioctlError.end()) {
      if (it->second.times != 0) {
        if (it->second.times > 0) --it->second.times;
        return it->second.error;
      }
    }
    if (request == PPRSTATUS) *static_cast<unsigned char*>(arg) = status;
    return 0;
  }
  void Close(int /*fd*/) override {
    log.push_back("close");
    ++closeCount;
  }
  LinesOffAction EmergencyAction(int /*fd*/, const RestBytes& rest) const override {
    LinesOffAction action = emergency;
    action.data = rest.data;
    action.control = rest.control ? int{*rest.control} : -1;
    return action;
  }

  // Calls since the last Take().
  Log Take() {
    Log taken;
    taken.swap(log);
    return taken;
  }

  struct Failure {
    int error = 0;
    int times = -1;  // fail this many times, then succeed; -1: always
  };
  std::set<std::string> present;
  std::map<std::string, int> openError;
  std::map<unsigned long, Failure> ioctlError;
  std::uint8_t status = 0x87;
  LinesOffAction emergency;
  Log log;
  int nextFd = 3;
  int openCount = 0;
  int closeCount = 0;
};

// A bus with an optional standard data register at `base`.
class FakeRaw final : public RawPorts {
 public:
  int Permit(std::uint16_t first, unsigned count, bool on) override {
    log.push_back(std::string(on ? "permit " : "drop ") + HexAddress(first) + "+" +
                  std::to_string(count));
    return on ? permitError : 0;
  }
  void Out(std::uint16_t address, std::uint8_t value) override {
    log.push_back("out " + HexAddress(address) + " " + std::to_string(value));
    if (registerAnswers && address == base) latch = value;
  }
  std::uint8_t In(std::uint16_t address) override {
    if (registerAnswers && address == base) return latch;
    if (registerAnswers && address == base + 1) return status;
    return 0xFF;
  }

  int permitError = 0;
  bool registerAnswers = true;
  std::uint16_t base = 0x378;
  std::uint8_t latch = 0;
  std::uint8_t status = 0xC7;
  Log log;
};

struct PortsFixture : ::testing::Test {
  PortEnvironment Env() {
    PortEnvironment env;
    env.procRoot = proc.Root();
    env.files = &files;
    env.raw = &raw;
    return env;
  }
  FakeProc proc;
  FakeFiles files;
  FakeRaw raw;
};

const Log kOpenExclusive = {"EXCL", "CLAIM", "DATADIR 0", "WDATA 00"};
const Log kClose = {"WDATA 00", "RELEASE", "close"};

TEST(PortMap, BaseAddrFilesAndTheirListing) {
  EXPECT_EQ(ParseBaseAddr("888\t1912\n"), 0x378);
  EXPECT_EQ(ParseBaseAddr("632\t1656\n"), 0x278);
  EXPECT_EQ(ParseBaseAddr("956\n"), 0x3BC);
  EXPECT_EQ(ParseBaseAddr("12304\t12312\n"), 0x3010);
  EXPECT_EQ(ParseBaseAddr(""), std::nullopt);
  EXPECT_EQ(ParseBaseAddr("0x378"), std::nullopt) << "the kernel writes decimal";
  EXPECT_EQ(ParseBaseAddr("888x"), std::nullopt);
  EXPECT_EQ(ParseBaseAddr("4227858432\t0\n"), std::nullopt) << "not an I/O port address";

  FakeProc proc;
  proc.Port("parport10", "12304\t12312\n");
  proc.Port("parport2", "956\t1980\n");
  proc.Port("parport0", "888\t1912\n");
  proc.Port("parport1", "632\t1656\n");
  proc.Port("parport3", "garbage\n");
  fs::create_directories(proc.Root() / "default");
  const std::vector<ParportEntry> ports = ListParports(proc.Root());
  ASSERT_EQ(ports.size(), 4u);
  EXPECT_EQ(ports[0].name, "parport0");
  EXPECT_EQ(ports[1].base, 0x278);
  EXPECT_EQ(ports[2].base, 0x3BC);
  EXPECT_EQ(ports[3].number, 10) << "ordered by number, not by name";
  EXPECT_EQ(FindParportAt(proc.Root(), 0x3010)->name, "parport10");
  EXPECT_EQ(FindParportAt(proc.Root(), 0x3E8), std::nullopt);

  proc.Active("parport0", "lp\n");
  EXPECT_EQ(ActiveDevice(proc.Root(), "parport0"), "lp");
  EXPECT_EQ(ActiveDevice(proc.Root(), "parport1"), "");
  EXPECT_TRUE(ListParports(proc.Root() / "missing").empty());
}

TEST(PortMap, RequestsFromTheCommandLine) {
  EXPECT_EQ(ParsePortRequest("0x378")->address, 0x378);
  EXPECT_EQ(ParsePortRequest("0X3bc")->address, 0x3BC);
  EXPECT_EQ(ParsePortRequest("888")->address, 0x378) << "bare numbers are decimal";
  EXPECT_EQ(ParsePortRequest("/dev/parport1")->device, "/dev/parport1");
  EXPECT_EQ(ParsePortRequest("parport2")->device, "/dev/parport2");
  EXPECT_EQ(ParsePortRequest(""), std::nullopt);
  EXPECT_EQ(ParsePortRequest("0x"), std::nullopt);
  EXPECT_EQ(ParsePortRequest("lpt1"), std::nullopt);
  EXPECT_EQ(ParsePortRequest("0x10000"), std::nullopt);
}

TEST_F(PortsFixture, LegacyAddressesReachTheirDeviceFiles) {
  proc.Port("parport0", "632\t1656\n");
  proc.Port("parport1", "956\t1980\n");
  proc.Port("parport2", "888\t1912\n");
  files.present = {"/dev/parport0", "/dev/parport1", "/dev/parport2"};
  const std::map<std::uint16_t, std::string> expected = {
      {0x378, "/dev/parport2"}, {0x278, "/dev/parport0"}, {0x3BC, "/dev/parport1"}};
  for (const auto& [address, device] : expected) {
    SCOPED_TRACE(HexAddress(address));
    {
      OpenedPort port = OpenPort(address, Env());
      ASSERT_TRUE(port.IsOpen()) << port.problem;
      EXPECT_EQ(port.device, device);
      EXPECT_EQ(port.base, address);
      Log opened = {"open " + device};
      opened.insert(opened.end(), kOpenExclusive.begin(), kOpenExclusive.end());
      EXPECT_EQ(files.Take(), opened);

      files.status = 0x87;
      port.io->PortOut(address, 5);
      port.io->PortOut(address + 2, 9);  // control register: for adapters with lines there
      port.io->PortOut(address + 3, 9);  // not ours
      EXPECT_EQ(port.io->PortIn(address + 1), 0x87) << "raw status, no inversion";
      EXPECT_EQ(port.io->PortIn(address), 0xFF);
      EXPECT_EQ(files.Take(), (Log{"WDATA 05", "WCONTROL 09", "RSTATUS"}));
    }
    EXPECT_EQ(files.Take(), kClose) << "0 is written before the port is released";
  }
  EXPECT_EQ(files.openCount, files.closeCount);
}

TEST_F(PortsFixture, PciCardReachedByPath) {
  proc.Port("parport0", "888\t1912\n");
  proc.Port("parport1", "12304\t12312\n");
  files.present = {"/dev/parport0", "/dev/parport1", "/dev/parport7"};
  {
    OpenedPort port = OpenPort(std::string_view("/dev/parport1"), Env());
    ASSERT_TRUE(port.IsOpen()) << port.problem;
    EXPECT_EQ(port.base, 0x3010);
    EXPECT_EQ(port.device, "/dev/parport1");
    files.status = 0xC0;
    VirtualPacer pacer;
    Link link(*port.io, pacer, port.base);
    EXPECT_TRUE(AdapterPresent(link));
  }
  {
    OpenedPort port = OpenPort(std::uint16_t{0x3010}, Env());
    EXPECT_EQ(port.device, "/dev/parport1") << "the address reaches it as well";
  }
  {
    // No proc entry: ppdev does not need the address, the rest of the program gets 0x378.
    OpenedPort port = OpenPort(std::string_view("/dev/parport7"), Env());
    ASSERT_TRUE(port.IsOpen()) << port.problem;
    EXPECT_EQ(port.base, 0x378);
  }
  EXPECT_TRUE(raw.log.empty());
}

TEST_F(PortsFixture, MissingPortsGiveAnAbsentPortAndTheReason) {
  raw.permitError = EPERM;
  {
    OpenedPort port = OpenPort(std::uint16_t{0x378}, Env());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.problem,
              "no hay ningún puerto paralelo en 0x378 (¿falta 'modprobe parport_pc ppdev'?)");
    EXPECT_EQ(port.base, 0x378);
    EXPECT_EQ(port.problem.find('\n'), std::string::npos);

    // Behaves like a port without an adapter: the presence test fails, writes vanish.
    VirtualPacer pacer;
    Link link(*port.io, pacer, port.base);
    EXPECT_FALSE(AdapterPresent(link));
    LinesOff(link);
    RunLineOn(link);
    EXPECT_FALSE(AdapterPresent(link));
  }
  EXPECT_TRUE(files.log.empty());

  proc.Port("parport0", "12304\t12312\n");
  proc.Port("parport1", "632\t1656\n");
  EXPECT_EQ(OpenPort(std::uint16_t{0x3BC}, Env()).problem,
            "no hay ningún puerto paralelo en 0x3BC (hay: /dev/parport0 en 0x3010, "
            "/dev/parport1 en 0x278)");

  // The port is known but ppdev is not loaded.
  OpenedPort noDevice = OpenPort(std::uint16_t{0x278}, Env());
  EXPECT_EQ(noDevice.problem,
            "/dev/parport1: no existe; cargue el controlador con 'modprobe ppdev'");
  EXPECT_EQ(noDevice.io->PortIn(0x279), 0xFF);
  EXPECT_EQ(OpenPort(std::string_view("/dev/parport5"), Env()).problem,
            "/dev/parport5: no existe (hay: /dev/parport0 en 0x3010, /dev/parport1 en 0x278)");

  EXPECT_EQ(OpenPort(std::string_view("lpt1"), Env()).problem,
            "'lpt1' no es una dirección de puerto (0x378) ni un dispositivo (/dev/parport0)");
}

TEST_F(PortsFixture, PermissionDeniedAndBusyPorts) {
  proc.Port("parport0", "888\t1912\n");
  files.present = {"/dev/parport0"};

  files.openError["/dev/parport0"] = EACCES;
  OpenedPort denied = OpenPort(std::uint16_t{0x378}, Env());
  EXPECT_EQ(denied.problem, "/dev/parport0: permiso denegado; agregue su usuario al grupo lp");
  EXPECT_EQ(files.Take(), (Log{"open /dev/parport0"}));
  EXPECT_TRUE(raw.log.empty()) << "a ppdev port has the address: no direct I/O";
  files.openError.clear();

  // Another program holds the port: reported, with the holder, and the file closed again.
  files.ioctlError[PPCLAIM] = {EBUSY};
  proc.Active("parport0", "ppdev1\n");
  OpenedPort busy = OpenPort(std::uint16_t{0x378}, Env());
  EXPECT_EQ(busy.problem, "/dev/parport0: el puerto está ocupado por otro programa (ppdev1)");
  EXPECT_EQ(files.Take(), (Log{"open /dev/parport0", "EXCL", "CLAIM", "close"}));

  // Only registered (lp, idle): the exclusive claim is refused, a shared one is taken.
  files.ioctlError[PPCLAIM] = {ENXIO, 1};
  proc.Active("parport0", "none\n");
  {
    OpenedPort shared = OpenPort(std::uint16_t{0x378}, Env());
    files.ioctlError.clear();
    ASSERT_TRUE(shared.IsOpen()) << shared.problem;
    EXPECT_EQ(files.Take(), (Log{"open /dev/parport0", "EXCL", "CLAIM", "close",
                                 "open /dev/parport0", "CLAIM", "DATADIR 0", "WDATA 00"}));
  }
  EXPECT_EQ(files.Take(), kClose);

  // Refused both ways.
  files.ioctlError[PPCLAIM] = {ENXIO};
  EXPECT_EQ(OpenPort(std::uint16_t{0x378}, Env()).problem,
            "/dev/parport0: el puerto está ocupado por otro programa");

  // Claimed, then the set-up fails: released before closing.
  files.ioctlError.clear();
  files.ioctlError[PPDATADIR] = {EIO};
  files.Take();
  OpenedPort broken = OpenPort(std::uint16_t{0x378}, Env());
  EXPECT_EQ(broken.problem, "/dev/parport0: el puerto no responde (error de entrada/salida)");
  EXPECT_EQ(files.Take(),
            (Log{"open /dev/parport0", "EXCL", "CLAIM", "DATADIR 0", "RELEASE", "close"}));
  EXPECT_EQ(files.openCount, files.closeCount);
}

TEST_F(PortsFixture, FailingIoctlDuringARunThrows) {
  proc.Port("parport0", "888\t1912\n");
  files.present = {"/dev/parport0"};
  {
    OpenedPort port = OpenPort(std::uint16_t{0x378}, Env());
    ASSERT_TRUE(port.IsOpen()) << port.problem;
    files.ioctlError[PPWDATA] = {ENODEV};
    files.ioctlError[PPRSTATUS] = {EIO};
    try {
      port.io->PortOut(0x378, 4);
      ADD_FAILURE() << "no exception";
    } catch (const PortError& e) {
      EXPECT_STREQ(e.what(),
                   "/dev/parport0: falló la escritura en el puerto (el dispositivo ya no existe)");
    }
    EXPECT_THROW(port.io->PortIn(0x379), PortError);
    files.Take();
  }
  // The destructor does not throw and still lets go of the port.
  EXPECT_EQ(files.Take(), kClose);
}

TEST_F(PortsFixture, DirectIoOnlyWhenNoPpdevPortAndPrivileged) {
  {
    OpenedPort port = OpenPort(std::uint16_t{0x378}, Env());
    ASSERT_TRUE(port.IsOpen()) << port.problem;
    EXPECT_EQ(port.device, "E/S directa");
    // The probe writes nothing but 0: no bit of the data register rises, bits 4 to 7
    // included, which some adapters use.
    EXPECT_EQ(raw.log, (Log{"permit 0x378+3", "out 0x378 0"}));
    raw.log.clear();
    port.io->PortOut(0x378, 6);
    EXPECT_EQ(port.io->PortIn(0x379), 0xC7);
    EXPECT_EQ(port.io->PortIn(0x37A), 0xFF);
    EXPECT_EQ(raw.log, (Log{"out 0x378 6"}));
    raw.log.clear();
  }
  EXPECT_EQ(raw.log, (Log{"out 0x378 0", "drop 0x378+3"}));
  raw.log.clear();

  // Nothing answers at the address (the bus reads 0xFF): the access is given back and the
  // port is absent.
  raw.registerAnswers = false;
  OpenedPort empty = OpenPort(std::uint16_t{0x278}, Env());
  EXPECT_FALSE(empty.IsOpen());
  EXPECT_EQ(raw.log, (Log{"permit 0x278+3", "out 0x278 0", "drop 0x278+3"}));
  raw.log.clear();

  PortEnvironment noDirect = Env();
  noDirect.allowDirect = false;
  EXPECT_FALSE(OpenPort(std::uint16_t{0x378}, noDirect).IsOpen());
  EXPECT_TRUE(raw.log.empty());
}

TEST_F(PortsFixture, DecimalAddressesAndNothingWrittenOutsideParallelPorts) {
  // Decimal as /proc shows base-addr, hexadecimal only after 0x.
  EXPECT_EQ(ParsePortRequest("956")->address, 0x3BC);
  EXPECT_EQ(ParsePortRequest("0x278")->address, 0x278);
  EXPECT_EQ(ParsePortRequest("378")->address, 378);
  EXPECT_EQ(ParsePortRequest("0x3G8"), std::nullopt);
  for (std::uint16_t address : {std::uint16_t{0x60}, std::uint16_t{0xCF8}, std::uint16_t{378}}) {
    const OpenedPort port = OpenPort(address, Env());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.problem.find(HexAddress(address) + " no es un puerto paralelo"), 0u)
        << port.problem;
  }
  EXPECT_TRUE(raw.log.empty()) << "not even asked for";
}

// An adapter whose "off" levels are high pins on both registers: every way the back ends
// leave the port (open, close, the exit guard) writes those levels, never 0.
TEST_F(PortsFixture, BackEndsLeaveTheAdaptersOwnOffLevels) {
  PortEnvironment env = Env();
  env.rest = {0x0C, std::uint8_t{0x01}};
  proc.Port("parport0", "888\t1912\n");
  files.present = {"/dev/parport0"};
  {
    OpenedPort port = OpenPort(std::uint16_t{0x378}, env);
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(files.Take(),
              (Log{"open /dev/parport0", "EXCL", "CLAIM", "DATADIR 0", "WDATA 0C", "WCONTROL 01"}));
  }
  EXPECT_EQ(files.Take(), (Log{"WDATA 0C", "WCONTROL 01", "RELEASE", "close"}));

  PortEnvironment direct = env;
  direct.procRoot = "/nonexistent";
  {
    OpenedPort port = OpenPort(std::uint16_t{0x378}, direct);
    ASSERT_TRUE(port.IsOpen()) << port.problem;
    EXPECT_EQ(raw.log, (Log{"permit 0x378+3", "out 0x378 12", "out 0x37A 1"}));
    raw.log.clear();
    port.io->PortOut(0x37A, 0x2F);
    EXPECT_EQ(raw.log, (Log{"out 0x37A 15"})) << "input mode and interrupts stay off";
    raw.log.clear();
  }
  EXPECT_EQ(raw.log, (Log{"out 0x378 12", "out 0x37A 1", "drop 0x378+3"}));
}

// Writes the "off" data byte the port registered.
void WriteZeroByte(const LinesOffAction& action) noexcept {
  const auto byte = static_cast<char>(action.data);
  [[maybe_unused]] ssize_t n = ::write(action.handle, &byte, 1);
}

TEST_F(PortsFixture, EmergencyLinesOffWhileThePortIsOpen) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  files.emergency = {WriteZeroByte, pipeFds[1], 0, -1};
  proc.Port("parport0", "888\t1912\n");
  files.present = {"/dev/parport0"};
  EXPECT_FALSE(EmergencyLinesOffArmed());
  {
    OpenedPort port = OpenPort(std::uint16_t{0x378}, Env());
    ASSERT_TRUE(port.IsOpen());
    EXPECT_TRUE(EmergencyLinesOffArmed());
    RunEmergencyLinesOff();
    char byte = 1;
    ASSERT_EQ(::read(pipeFds[0], &byte, 1), 1);
    EXPECT_EQ(byte, 0);
    files.Take();
  }
  // Disarmed after the last write and before the release, so a late signal never reaches a
  // closed descriptor.
  EXPECT_EQ(files.Take(), (Log{"WDATA 00", "RELEASE", "close"}));
  EXPECT_FALSE(EmergencyLinesOffArmed());
  RunEmergencyLinesOff();  // nothing registered: must not touch the pipe

  // A newer registration is not cleared by an older one going away.
  {
    auto older = std::make_unique<EmergencyRegistration>(LinesOffAction{WriteZeroByte, -1, 0, -1});
    EmergencyRegistration newer({WriteZeroByte, pipeFds[1], 0, -1});
    older.reset();
    EXPECT_TRUE(EmergencyLinesOffArmed());
  }
  EXPECT_FALSE(EmergencyLinesOffArmed());
  ::close(pipeFds[1]);
  char byte = 1;
  EXPECT_EQ(::read(pipeFds[0], &byte, 1), 0) << "nothing written after the port closed";
  ::close(pipeFds[0]);
}

}  // namespace
}  // namespace daxwel
