#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/config_option.h"
#include "cli/exit_status.h"
#include "cli/interrupt_watch.h"
#include "cli/lists.h"
#include "cli/terminal_operator.h"
#include "device/calibration_store.h"
#include "device/catalogue.h"
#include "device/family.h"
#include "device/operations.h"
#include "link/adapters.h"
#include "link/clock.h"
#include "link/exit_guard.h"
#include "link/line_driver.h"
#include "link/port_open.h"
#include "link/saved_adapter.h"
#include "link/trace_port.h"
#include "sim/safe_file.h"
#include "sim/sim_session.h"

namespace daxwel::cli {

namespace {

constexpr const char* kFooter = R"(Detalle de los comandos:
  detect          Detecta el PIC por su ID e imprime el modelo (16F877, 16F84/84A, ...).
  program ARCHIVO Programa el archivo Intel HEX (Program Memory, EEPROM, ID, configuración).
  verify ARCHIVO  Compara el PIC con el archivo HEX.
  erase           Borra el PIC por completo (también uno con Code Protect).
  run             Pone el PIC en modo RUN hasta Enter, --seconds N o Ctrl-C; cualquiera de
                  los tres lo detiene normalmente (Resultado: ok, código 0).
  read ARCHIVO    Lee el PIC (Program Memory, EEPROM, ID, configuración) a un archivo INHX8M
                  (--format ihx32: INHX32, con un registro de dirección extendida 04).
                  Rechaza un PIC con Code Protect; no reemplaza un archivo sin --force.
                  Un enlace simbólico se sigue y se reemplaza su destino; un dispositivo de
                  caracteres o una tubería (FIFO) se escriben directamente.
  blank           Comprueba que el PIC está borrado (memoria de programa, EEPROM, ID y
                  configuración; la calibración de fábrica no cuenta). Si no lo está,
                  nombra la primera dirección no borrada de cada memoria (blank-error, 1).
  dump [ARCHIVO]  Lista en hexadecimal las memorias del PIC con sus direcciones (en la
                  salida estándar si no hay ARCHIVO); las filas borradas no se muestran.
  view ARCHIVO    La misma lista para un archivo HEX; no usa el puerto.
  ARCHIVO - es la salida estándar (read, dump) o la entrada estándar (program, verify,
  view); entonces los mensajes van a la salida de error.
  info            Muestra la palabra de configuración, los ID y el ID del dispositivo.
  linetest [LÍNEA...]
                  Prueba del adaptador: enciende y apaga cada línea (vpp, vdd, clock,
                  datao, ...) y muestra la entrada de datos; sin LÍNEA las pide por la
                  entrada estándar. No necesita un PIC en el zócalo.
  adapters        Lista los adaptadores conocidos: el nombre que toma --adapter y sus patas.
  parts [--format texto|tsv|names]
                  Lista los PIC conocidos, uno por línea: modelo, familia, palabras de
                  programa, bytes de EEPROM, palabras de configuración, calibración de
                  fábrica, VPP máxima (V), VDD al grabar, patas del encapsulado y patas ICSP
                  (reloj, datos, VPP) con su número; ? donde no se conoce.
  ports           Lista los puertos paralelos que informa el núcleo (/proc/sys/dev/parport,
                  /dev/parport*): dispositivo, dirección base y si este usuario puede abrirlo.

--adapter NOMBRE|ARCHIVO: el adaptador. Sin --adapter, el elegido en la ventana (guardado en
  ~/.config/daxwel/daxwel.conf; la primera línea lo nombra), o daxwel (VDD siempre encendido)
  si no hay uno; uno guardado que no se puede leer es un error. Un ARCHIVO describe otro con
  una línea por señal, pata del conector DB-25 con - si la señal se activa en 0 V (# inicia
  un comentario): vpp=-5 vdd=-4 clock=3 datao=2 datai=10 (más pgm, enable, dataenable, dir,
  mclrlow, connect, led, presence=loopback|none, delay=US). Sin ruta se busca en
  ~/.config/daxwel/adaptadores; ahí, uno con el nombre de un modelo lo oculta.
  Con VDD conmutado los 16F62XA, 12F629/675, 16F630/676, 16F88X, 16F6XX, 12F683 y 16F91X
  entran con VPP antes que VDD.
--adapter-delay US: microsegundos que se alargan las fases del reloj (cables largos).

--config (solo program):
  file            la del archivo HEX (por omisión; falla si el archivo no la trae)
  0xHHHH          exactamente esa palabra
  0xHHHH,0xHHHH   las dos palabras (0x2007 y 0x2008) de los PIC que tienen dos
  CAMPO=VALOR,... los grupos del diálogo; los no dados quedan como en el diálogo
                  (osc=xt, cp=off, wdt=off, pwrte=on, boden=off, lvp=off, cpd=off, wrt=on
                  en los 16F87X, wrt=off en los 16F87XA, debug=off, mclre=on)
                  osc=rc|hs|xt|lp
                  cp=off|on (16F84, 16F870/1/2, 16F87XA, 16F62XA)
                  cp=off|all|half|top (16F873/4, 16F876/7)
                  wdt, pwrte, boden, lvp, cpd = on|off (boden, lvp, cpd: todos menos 16F84)
                  wrt=on|off (16F870 a 16F877: escritura de la Flash por EECON)
                  16F87XA:  wrt=off|256|quarter|half protege de la escritura por EECON
                            nada, 0000h-00FFh, el 1/4 o la 1/2 inferior de la memoria
                            (1/4: hasta 03FFh en 873A/874A, 07FFh en 876A/877A;
                            1/2: hasta 07FFh o 0FFFh)
                            debug=on|off (on: RB6 y RB7 quedan para el depurador)
                  16F62XA:  osc=lp|xt|hs|ec|intio|intclk|rcio|rcclk (rc es rcclk)
                            intio/intclk: oscilador interno, RA6 E/S o CLKOUT;
                            rcio/rcclk: RC externo, RA6 E/S o CLKOUT; ec: reloj en RA7
                            mclre=on|off (off: RA5 es una entrada y MCLR queda unido a VDD
                            dentro del PIC; vea la nota de abajo)
                  12F629/675, 16F630/676: osc=lp|xt|hs|ec|intio|intclk|rcio|rcclk,
                            cp, cpd, boden, mclre, pwrte, wdt = on|off (osc=intio por omisión)
                  16F88X, 16F6XX, 12F683, 16F91X: osc como en los 16F62XA;
                            cp, cpd, mclre, pwrte, wdt, fcmen, ieso = on|off;
                            boden=on|nsleep|sbor|off (nsleep: apagado en SLEEP)
                  16F88X:   lvp, debug = on|off; segunda palabra (0x2008):
                            wrt=off|256|quarter|half (16F882: off|128|256|half)
                            y bor4v=40|21 (4,0 V o 2,1 V)
                  16F91X:   debug=on|off
                  16F87/88, 16F818/819: osc, mclre como los 16F62XA, debug como los 16F87XA,
                            ccpmx=rb0|rb3 (16F87/88) o rb2|rb3 (16F818/819): pata del CCP1;
                            wrt=off|256|2048|all (16F87/88), off|512|1024 (16F818),
                            off|512|1024|1536 (16F819): palabras protegidas desde 0000h;
                            16F87/88, segunda palabra (0x2008): ieso=on|off (cambio de
                            oscilador interno/externo), fcmen=on|off (monitor de reloj)

Simulador (--sim MODELO[:ESTADO]): un adaptador simulado en 0x378 con un PIC MODELO
  (16F84 sin ID, 16F84A, 16F870 ... 16F877, 16F873A ... 16F877A, 16F627A, 16F628A, 16F648A,
  12F629, 12F675, 16F630, 16F676, 16F87, 16F88, 16F818, 16F819, 16F882 ... 16F887,
  16F631 ... 16F690, 12F683, 16F913 ... 16F917).
  ESTADO es un archivo INHX8M que guarda las memorias del PIC entre ejecuciones (se crea
  borrado si no existe; se guarda solo cuando el PIC cambió). Su primera línea, un
  comentario ";PIC MODELO", dice de qué PIC es: el de otro modelo se rechaza. Mientras un
  proceso lo usa, otro que lo pida termina con un error; uno de solo lectura no se
  reemplaza. --sim-time virtual hace instantáneo el tiempo del PIC simulado.
  --sim-fault (repetible): no-adapter, no-target=0|1, stuck=DIR, ee-stuck=INDICE,
  unplug-after=N, ee-upper=0|1, id=VALOR (números decimales o 0x hexadecimales),
  keep-config (solo 16F62XA: el borrado deja la palabra de configuración),
  config-fail (la escritura de la palabra de configuración no tiene efecto),
  refuse-entry=N (las primeras N entradas se rechazan), osccal=0x34NN y bg=0..3 (la
  calibración de fábrica de un PIC nuevo), lost-calibration (la calibración de fábrica
  ya borrada), vpp=V (la VPP que da el adaptador: por encima de 12 V los 16F88X y 16F91X
  la registran como violación). --sim-fault help explica cada una.
  --sim-report dice al final cuántas fases de reloj y ciclos costó el trabajo, y el mínimo
  que habría tardado en el silicio (1 µs por fase más el peor caso de cada ciclo).

Un 16F870 a 16F877A borrado trae LVP habilitado: mantenga RB3 (PGM) en 0 V durante la
programación (10 kΩ a masa), o no entrará en modo de programación; con lvp=off queda libre.
En los 16F627A/628A/648A la pata PGM es RB4 (pata 10); en los 16F87/88 y 16F818/819, RB3
(pata 9).
Los 12F629/675 y 16F630/676 se programan por GP1/RA1 (reloj), GP0/RA0 (datos) y GP3/RA3
(VPP). Su calibración de fábrica (OSCCAL en 0x3FF y los bits de band gap 13:12) se conserva
siempre; info la muestra y --osccal 0x34NN --bandgap N la escriben en un PIC que la perdió.
En los 16F882 a 16F887 la pata PGM es RB3; los 16F84/84A, 12F629/675, 16F630/676, 16F6XX,
12F683 y 16F91X no tienen.

Los 16F882 a 16F887 y 16F913 a 16F917 admiten como máximo 12 V en MCLR (VPP): muchos
adaptadores aplican 13 V. La primera grabación de uno de ellos en cada sesión pide
confirmación. Los 16F88X, 16F6XX, 12F683 y 16F91X guardan su calibración de fábrica en
0x2008/0x2009: se lee y se muestra (info) pero nunca se graba ni se borra.

Este adaptador deja VDD siempre encendido y sube VPP después. Un 16F62XA grabado con
mclre=off (sobre todo con intio o intclk) puede no volver a entrar en modo de programación
con este adaptador: haría falta un programador que conmute VDD (VPP antes que VDD).
Los 16F87/88 y 16F818/819 con oscilador interno y mclre=off deben recibir VPP dentro de los
250 µs siguientes a la subida de VDD: solo un adaptador que conmute VDD puede hacerlo.

La última línea es "Resultado: " y la palabra de la operación (- si está vacía).
Códigos de salida:
  0    ok
  1    falla del PIC o del puerto (verify-error, blank-error, erase-error, cp-error, read_error, y
       program_error, verify_error o erase_error cuando falla el PIC o el puerto)
  2    falla de archivo o configuración (format-error, size-error, config-error, file-error,
       y program_error o verify_error cuando el archivo HEX no se puede abrir o leer: suma
       de verificación incorrecta, sin registro de fin, dirección extendida distinta de 0);
       también un comando que terminó bien pero cuyo registro --trace quedó incompleto o
       cuyo estado del simulador no pudo guardarse, y un archivo de estado en uso por otro
       proceso o de otro modelo (file-error)
  3    no se detectó el PIC, se canceló, o no hay adaptador ("Hardware no detectado !!!!")
  4    el PIC simulado registró violaciones del protocolo (en la salida de error)
  64   uso incorrecto
  130  interrumpido con Ctrl-C, SIGTERM, SIGHUP u otra señal que termina el proceso (SIGUSR1,
       SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGPWR): abandoned, las líneas quedan
       en 0; salvo run, que así termina normalmente (ok, 0))";

// CLI11's own complaints, in the program's language. Its texts are matched by their fixed parts;
// anything not foreseen keeps CLI11's wording rather than lose the detail.
std::string UsageErrorText(const CLI::App& app, const CLI::ParseError& e) {
  const std::string what = e.what();
  const std::string commands =
      "(detect, program, verify, erase, run, read, blank, dump, view, info, linetest, adapters, "
      "parts o ports)";
  if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
    const std::size_t colon = what.find(": ");
    return "Argumento no esperado: " + (colon == std::string::npos ? what : what.substr(colon + 2));
  }
  if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
    if (what.rfind("A subcommand", 0) == 0) {
      const std::vector<std::string> rest = app.remaining();
      if (!rest.empty()) return "Comando desconocido: " + rest.front() + " " + commands;
      return "Falta el comando " + commands;
    }
    const std::size_t at = what.find(" is required");
    if (at != std::string::npos) return "Falta " + what.substr(0, at);
  }
  if (dynamic_cast<const CLI::RequiresError*>(&e) != nullptr) {
    const std::size_t at = what.find(" requires ");
    if (at != std::string::npos) {
      return what.substr(0, at) + " solo se usa junto con " + what.substr(at + 10);
    }
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr) {
    const std::string name = what.substr(0, what.find(':'));
    if (what.find("At Most") != std::string::npos) return name + ": se da una sola vez";
    return name + ": falta el valor";
  }
  if (dynamic_cast<const CLI::ConversionError*>(&e) != nullptr) {
    const std::string marker = "Could not convert: ";
    const std::size_t eq = what.find(" = ");
    if (what.rfind(marker, 0) == 0 && eq != std::string::npos) {
      return what.substr(marker.size(), eq - marker.size()) + ": valor no válido \"" +
             what.substr(eq + 3) + "\"";
    }
    return "Valor no válido: " + what;
  }
  return what;
}

// "--seconds N": a finite number of seconds, 0 or more.
std::optional<double> ParseSeconds(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value) || value < 0) return std::nullopt;
  return value;
}

struct Options {
  std::string port = "0x378";
  std::string model = "auto";
  std::string config = "file";
  bool yes = false;
  bool quiet = false;
  bool force = false;
  std::string trace;
  std::string sim;
  std::string simTime = "real";
  std::vector<std::string> simFaults;
  bool simReport = false;
  std::string adapter;  // empty: the saved adapter, or daxwel when none is saved
  std::optional<int> adapterDelay;
  std::string osccal;
  std::optional<int> bandGap;
};

// Where the port accesses go: the simulated adapter or a real port, maybe through the trace.
struct Backend {
  std::unique_ptr<sim::SimSession> sim;
  std::unique_ptr<SteadyPacer> realPacer;
  OpenedPort real;
  std::ofstream traceFile;
  std::unique_ptr<TracePort> trace;
  std::uint16_t base = 0x378;

  Pacer& GetPacer() { return sim ? sim->GetPacer() : *realPacer; }
  PortIo& Port() {
    if (trace) return *trace;
    if (sim) return sim->Adapter();
    return *real.io;
  }
};

// The adapter given, or else the one saved by the window (said in the first line, so the user
// knows which wiring drives the port), or else the default. A saved one that cannot be read is
// an error: no other wiring stands in for it.
std::string ChooseAdapter(bool given, const std::string& name, AdapterChoice& adapter,
                          std::string& note) {
  if (given) return ResolveAdapter(name, adapter);
  const SavedAdapter saved = LoadSavedAdapter();
  if (!saved.problem.empty()) return saved.problem + " (elija otro con --adapter)";
  if (!saved.found) {
    // The default is the shipped table's first adapter: without the table there is none.
    const std::string& problem = ShippedAdapters().problem;
    if (!problem.empty()) return problem + " (un archivo propio se elige con --adapter)";
    adapter = DefaultAdapter();
    return {};
  }
  adapter = saved.choice;
  note = "Adaptador: " + Printable(adapter.name) + " (el guardado en " +
         Printable(SavedAdapterFile().string()) + ")";
  return {};
}

// program, verify and view from "-": standard input kept in a private file for the run, since
// the operations open their HEX file by name (and read it once).
struct StandardInputCopy {
  std::string folder;
  std::string path;
  std::string problem;
  StandardInputCopy() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/daxwel-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      problem = "No se puede guardar la entrada estándar: " + sim::SystemErrorText(errno);
      return;
    }
    folder = pattern;
    path = folder + "/entrada-estandar.hex";
    std::ofstream out(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(std::cin),
                            std::istreambuf_iterator<char>()};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (std::cin.bad() || out.fail()) problem = "No se puede leer la entrada estándar";
  }
  ~StandardInputCopy() {
    if (!path.empty()) std::remove(path.c_str());
    if (!folder.empty()) ::rmdir(folder.c_str());
  }
  StandardInputCopy(const StandardInputCopy&) = delete;
  StandardInputCopy& operator=(const StandardInputCopy&) = delete;
};

int Finish(TerminalOperator& op, std::string_view result, int status) {
  op.Output("Resultado: " + (result.empty() ? std::string("-") : std::string(result)));
  return status;
}

// --osccal and --bandgap act only where a calibration can be lost or compared: program, erase
// and verify, on a part whose family keeps one (any part when the model is detected).
std::string FactoryValueProblem(const Request& request) {
  const bool acts = request.command == Command::Program || request.command == Command::Erase ||
                    request.command == Command::Verify;
  if (!acts) return "--osccal: solo sirve con program, erase o verify";
  const DeviceModel* chosen = ModelByIndex(request.modelIndex);
  if (chosen != nullptr && chosen->family->preserved.empty()) {
    return "--osccal: el " + std::string(chosen->modelName) + " no tiene calibración de fábrica";
  }
  return {};
}

// The parts file the command line names, taken before the help lists the models; then the
// parts table must read whole, or nothing runs but the help: a part half described could be
// driven wrong. Answers the exit status to end with, or 0 to go on.
int TakePartsFile(int argc, char** argv) {
  bool help = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--parts" && i + 1 < argc) SetExtraPartsFile(argv[i + 1]);
    if (arg.rfind("--parts=", 0) == 0) SetExtraPartsFile(std::string(arg.substr(8)));
    help = help || arg == "-h" || arg == "--help" || arg == "--version" || arg == "-v";
  }
  if (CatalogueProblem().empty() || help) return 0;
  std::fprintf(stderr, "daxwel-cli: %s\n", Printable(CatalogueProblem()).c_str());
  return exit_status::kFileFailure;
}

int Main(int argc, char** argv, const InterruptWatch& watch) {
  CLI::App app{"daxwel-cli: programador de PIC de memoria flash por puerto paralelo", "daxwel-cli"};
  app.fallthrough();
  app.require_subcommand(1, 1);
  // The help in the program's language; the commands inherit the labels and groups.
  const auto formatter = app.get_formatter();
  formatter->label("Usage", "Uso");
  formatter->label("OPTIONS", "OPCIONES");
  formatter->label("SUBCOMMAND", "COMANDO");
  formatter->label("Positionals", "Argumentos");
  formatter->label("REQUIRED", "(obligatorio)");
  formatter->label("Needs", "Requiere");
  app.option_defaults()->group("Opciones");
  app.set_help_flag("-h,--help", "Muestra esta ayuda y termina");
  app.group("Comandos");

  Options o;
  Request request;
  app.add_option("--port", o.port,
                 "Puerto: 0x378, 0x278, 0x3BC (con 0x, hexadecimal), 888 (sin 0x, decimal, "
                 "como base-addr en /proc/sys/dev/parport) o un dispositivo como /dev/parport1")
      ->type_name("PUERTO")
      ->capture_default_str();
  std::string partsFile;  // taken before parsing, by TakePartsFile
  app.add_option("--parts", partsFile,
                 "Archivo de PIC que se suma a los de la instalación y a los de "
                 "~/.config/daxwel/pics (mismas claves)")
      ->type_name("ARCHIVO");
  app.add_option("--model", o.model, "auto, o el modelo: " + ModelNames(", "))
      ->type_name("MODELO")
      ->capture_default_str();
  app.add_option("--config", o.config,
                 "Palabra de configuración para program: file, 0xHHHH[,0xHHHH] o CAMPO=VALOR,...")
      ->type_name("CONFIG")
      ->capture_default_str();
  CLI::Option* adapterOption =
      app.add_option("--adapter", o.adapter,
                     "Adaptador: un nombre de 'daxwel-cli adapters' o un archivo de patas (por "
                     "omisión, el elegido en la ventana)")
          ->type_name("NOMBRE|ARCHIVO");
  app.add_option("--adapter-delay", o.adapterDelay,
                 "Microsegundos más por cada fase del reloj (0 a 1000)")
      ->type_name("US");
  CLI::Option* osccalOption =
      app.add_option("--osccal", o.osccal,
                     "12F629/675, 16F630/676 que perdieron su calibración: escribe esta "
                     "instrucción RETLW (0x3400 a 0x37FF) en 0x3FF al programar o borrar")
          ->type_name("0x34NN");
  CLI::Option* bandGapOption =
      app.add_option("--bandgap", o.bandGap,
                     "Con --osccal: los bits de band gap (13:12) de la configuración, 0 a 3")
          ->type_name("N");
  app.add_flag("-y,--yes", o.yes, "Responde OK a las confirmaciones");
  app.add_flag("-q,--quiet", o.quiet, "Sin progreso ni mensajes que no sean errores");
  CLI::Option* traceOption =
      app.add_option("--trace", o.trace,
                     "Registra cada acceso al puerto en ARCHIVO (ns W|R dirección valor); no "
                     "reemplaza un archivo sin --force")
          ->type_name("ARCHIVO");
  app.add_flag("--force", o.force,
               "Reemplaza un archivo existente (read y --trace); con --osccal, reemplaza una "
               "calibración válida distinta");
  app.set_version_flag("-v,--version", "daxwel-cli " DAXWEL_VERSION,
                       "Muestra la versión y termina");
  CLI::Option* simOption =
      app.add_option("--sim", o.sim, "Adaptador simulado con un PIC MODELO[:ESTADO]")
          ->type_name("MODELO[:ESTADO]");
  app.add_option("--sim-time", o.simTime, "Tiempo del PIC simulado: real o virtual")
      ->type_name("real|virtual")
      ->needs(simOption)
      ->capture_default_str();
  app.add_option("--sim-fault", o.simFaults, "Falla del simulador: TIPO[=VALOR] (repetible)")
      ->type_name("TIPO[=VALOR]")
      ->needs(simOption)
      ->allow_extra_args(false)
      ->each([](const std::string& value) {
        // Taken before --sim and a command are required, as --help is.
        if (value != "help") return;
        std::fputs(sim::FaultKindHelp().c_str(), stdout);
        throw CLI::Success();
      });
  app.add_flag("--sim-report", o.simReport,
               "Al final, lo que costó el trabajo al PIC simulado (en la salida de error)")
      ->needs(simOption);

  auto* detect = app.add_subcommand("detect", "Detecta el modelo del PIC");
  auto* program = app.add_subcommand("program", "Programa un archivo HEX");
  program->add_option("ARCHIVO", request.file, "Archivo Intel HEX")->required();
  auto* verify = app.add_subcommand("verify", "Verifica el PIC contra un archivo HEX");
  verify->add_option("ARCHIVO", request.file, "Archivo Intel HEX")->required();
  auto* erase = app.add_subcommand("erase", "Borra el PIC");
  auto* run = app.add_subcommand("run", "Pone el PIC en modo RUN");
  std::string seconds;
  CLI::Option* secondsOption =
      run->add_option("--seconds", seconds, "Segundos en modo RUN (si no, hasta Enter o Ctrl-C)")
          ->type_name("N");
  auto* read = app.add_subcommand("read", "Lee el PIC a un archivo INHX8M o INHX32");
  read->add_option("ARCHIVO", request.file, "Archivo a escribir")->required();
  read->add_flag("--force", request.force, "Reemplaza un archivo existente");
  std::string format = "ihx8m";
  read->add_option("--format", format, "Formato del archivo: ihx8m o ihx32")
      ->type_name("ihx8m|ihx32")
      ->check(CLI::IsMember({"ihx8m", "ihx32"}))
      ->capture_default_str();
  auto* blank = app.add_subcommand("blank", "Comprueba que el PIC está borrado");
  auto* dump = app.add_subcommand("dump", "Lista las memorias del PIC en hexadecimal");
  dump->add_option("ARCHIVO", request.file, "Archivo a escribir (- o nada: salida estándar)");
  dump->add_flag("--force", request.force, "Reemplaza un archivo existente");
  auto* view = app.add_subcommand("view", "Lista las memorias de un archivo HEX");
  view->add_option("ARCHIVO", request.file, "Archivo Intel HEX (-: entrada estándar)")->required();
  auto* info = app.add_subcommand("info", "Muestra configuración, ID y ID del dispositivo");
  auto* linetest = app.add_subcommand("linetest", "Prueba las líneas del adaptador");
  linetest->add_option("LINE", request.lineSteps, "Líneas a encender o apagar, en orden");
  auto* adapters = app.add_subcommand("adapters", "Lista los adaptadores conocidos");
  auto* parts = app.add_subcommand("parts", "Lista los PIC conocidos con sus memorias y patas");
  std::string partsFormat = "texto";
  parts->add_option("--format", partsFormat, "texto, tsv (separado por tabuladores) o names")
      ->type_name("FORMATO")
      ->capture_default_str();
  auto* ports = app.add_subcommand("ports", "Lista los puertos paralelos del sistema");

  for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    // A command's own help flag is made before it inherits the group.
    command->get_help_ptr()->group("Opciones");
    for (CLI::Option* positional :
         command->get_options([](CLI::Option* option) { return option->get_positional(); })) {
      positional->type_name("");
    }
  }
  // Set after the commands so they do not repeat it in their own help.
  app.footer(kFooter);

  auto usage = [](const std::string& text) {
    std::fprintf(stderr, "%s\nMás información: daxwel-cli --help\n", text.c_str());
    return exit_status::kUsage;
  };

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e) == 0 ? exit_status::kOk : exit_status::kUsage;
    return usage(UsageErrorText(app, e));
  }

  // After "--" only a command's file may follow; CLI11 would hand anything else back to the
  // options (`erase -- -y` would confirm).
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (const auto dashes = std::find(words.begin(), words.end(), "--"); dashes != words.end()) {
    const bool takesFile =
        program->parsed() || verify->parsed() || read->parsed() || dump->parsed() || view->parsed();
    const auto extra = dashes + (takesFile ? 2 : 1);
    if (extra < words.end()) return usage("Argumento no esperado: " + *extra);
  }
  // An empty value is a mistake (an unset shell variable), never the same as leaving it out.
  if (*simOption && o.sim.empty()) return usage("--sim: falta el modelo (MODELO[:ESTADO])");
  if (*traceOption && o.trace.empty()) return usage("--trace: falta el nombre del archivo");
  if (request.file.empty() &&
      (program->parsed() || verify->parsed() || read->parsed() || view->parsed())) {
    return usage("ARCHIVO: falta el nombre del archivo");
  }
  request.force = request.force || o.force;

  if (detect->parsed()) request.command = Command::Detect;
  if (program->parsed()) request.command = Command::Program;
  if (verify->parsed()) request.command = Command::Verify;
  if (erase->parsed()) request.command = Command::Erase;
  if (run->parsed()) request.command = Command::Run;
  if (read->parsed()) request.command = Command::Read;
  if (info->parsed()) request.command = Command::Info;
  if (linetest->parsed()) request.command = Command::LineTest;
  if (blank->parsed()) request.command = Command::Blank;
  if (dump->parsed()) request.command = Command::Dump;
  request.ihx32 = format == "ihx32";
  // The shell's names for the standard streams are taken as "-": what they lead to (a pipe)
  // is no file that could be replaced or reopened.
  const bool reads = program->parsed() || verify->parsed() || view->parsed();
  if (request.file == (reads ? "/dev/stdin" : "/dev/stdout")) request.file = kStandardStream;
  std::optional<StandardInputCopy> input;
  if (reads && request.file == kStandardStream) {
    input.emplace();
    if (!input->problem.empty()) {
      std::fprintf(stderr, "%s\nResultado: %s\n", input->problem.c_str(), kFileError);
      return exit_status::kFileFailure;
    }
    request.file = input->path;
  }
  if (*secondsOption) {
    request.seconds = ParseSeconds(seconds);
    if (!request.seconds) return usage("--seconds: se espera un número de segundos (0 o más)");
  }

  if (parts->parsed()) {
    const std::optional<std::string> listing = PartsListing(partsFormat);
    if (!listing) return usage("--format: valor no válido \"" + partsFormat + "\"");
    std::fputs(listing->c_str(), stdout);
    return exit_status::kOk;
  }
  if (ports->parsed()) {
    std::fputs(PortsListing().c_str(), stdout);
    return exit_status::kOk;
  }
  if (adapters->parsed()) {
    TerminalOperator lister({}, request.config, [] { return false; });
    return ListAdapters(lister) ? exit_status::kOk : exit_status::kFileFailure;
  }
  if (view->parsed()) {
    if (const auto model = ModelIndexByName(o.model))
      request.modelIndex = *model;
    else
      return usage("--model: modelo desconocido \"" + o.model + "\"");
    TerminalOperator viewer(
        {}, request.config, [] { return false; }, stderr);
    const std::string result = ViewFile(request, viewer);
    return Finish(viewer, result, ExitStatusForResult(result));
  }
  if (*adapterOption && o.adapter.empty()) return usage("--adapter: falta el nombre del adaptador");
  AdapterChoice adapter;
  std::string adapterNote;
  if (std::string problem =
          ChooseAdapter(adapterOption->count() > 0, o.adapter, adapter, adapterNote);
      !problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    return exit_status::kFileFailure;
  }
  if (o.adapterDelay) {
    if (*o.adapterDelay < 0 || *o.adapterDelay > kMaxExtraHalfPeriodUs) {
      return usage("--adapter-delay: se esperan microsegundos, de 0 a " +
                   std::to_string(kMaxExtraHalfPeriodUs));
    }
    adapter.extraHalfPeriod = std::chrono::microseconds(*o.adapterDelay);
  }

  std::optional<std::uint16_t> osccal, bandGap;
  if (*osccalOption) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(o.osccal.c_str(), &end, 16);
    const bool hex =
        o.osccal.size() > 2 && (o.osccal.rfind("0x", 0) == 0 || o.osccal.rfind("0X", 0) == 0);
    if (!hex || *end != '\0' || value < 0x3400 || value > 0x37FF) {
      return usage(
          "--osccal: se espera la instrucción RETLW de la calibración, de 0x3400 a "
          "0x37FF (la que muestra info o la etiqueta del PIC)");
    }
    osccal = static_cast<std::uint16_t>(value);
  }
  if (*bandGapOption) {
    if (!*osccalOption) return usage("--bandgap: se da junto con --osccal");
    if (*o.bandGap < 0 || *o.bandGap > 3) return usage("--bandgap: se espera 0, 1, 2 o 3");
    bandGap = static_cast<std::uint16_t>(*o.bandGap);
  }

  const auto model = ModelIndexByName(o.model);
  if (!model) return usage("--model: modelo desconocido \"" + o.model + "\"");
  request.modelIndex = *model;
  if (osccal) {
    if (std::string problem = FactoryValueProblem(request); !problem.empty()) {
      return usage(problem);
    }
  }
  if (std::string problem = ParseConfigOption(o.config, request.config); !problem.empty())
    return usage(problem);
  if (std::string problem = CheckConfigWordCount(request.config, request.modelIndex);
      !problem.empty()) {
    return usage(problem);
  }
  if (request.command == Command::LineTest) {
    if (std::string problem = CheckLineSteps(request.lineSteps, adapter.wiring); !problem.empty())
      return usage(problem);
  }
  const auto port = ParsePortRequest(o.port);
  if (!port) {
    return usage(
        "--port: se espera una dirección (0x378 en hexadecimal, 888 en decimal) o un "
        "dispositivo (/dev/parport1)");
  }

  sim::SimOptions simOptions;
  simOptions.wiring = adapter.wiring;
  if (!o.sim.empty()) {
    if (!port->device.empty()) return usage("--port: el simulador solo responde en una dirección");
    if (std::string problem = sim::ParseSimOptions(o.sim, o.simTime, o.simFaults, simOptions);
        !problem.empty()) {
      return usage(problem);
    }
  }
  // The trace never overwrites what the run reads or keeps.
  if (!o.trace.empty()) {
    if (!request.file.empty() && request.command != Command::Read &&
        sim::SameFile(o.trace, request.file)) {
      return usage("--trace: " + o.trace + " es el archivo HEX del comando");
    }
    if (!request.file.empty() && request.command == Command::Read &&
        sim::SameFile(o.trace, request.file)) {
      return usage("--trace: " + o.trace + " es el archivo que escribe read");
    }
    if (!simOptions.statePath.empty() && sim::SameFile(o.trace, simOptions.statePath)) {
      return usage("--trace: " + o.trace + " es el archivo de estado del simulador");
    }
  }

  TerminalOperator::Settings settings;
  settings.yes = o.yes;
  settings.quiet = o.quiet;
  // With the data on standard output, everything else goes to standard error.
  const bool dataOut = DataOnStandardOutput(request);
  settings.progressLine = !dataOut && ::isatty(STDOUT_FILENO) != 0;
  settings.askOnTerminal = ::isatty(STDIN_FILENO) != 0;
  settings.osccal = osccal;
  settings.bandGap = bandGap;
  settings.calibrationFolder = DefaultCalibrationFolder();
  settings.force = o.force || request.force;
  TerminalOperator op(
      settings, request.config, [&watch] { return watch.Requested(); }, dataOut ? stderr : stdout);
  if (!adapterNote.empty()) op.Line(adapterNote);

  if (std::string result = CheckFiles(request, op); !result.empty()) {
    return Finish(op, result, ExitStatusForResult(result));
  }

  Backend backend;
  if (!o.sim.empty()) {
    backend.sim = std::make_unique<sim::SimSession>(simOptions);
    if (std::string problem = backend.sim->LoadState(); !problem.empty()) {
      op.Message("Error", problem);
      return Finish(op, kFileError, exit_status::kFileFailure);
    }
    backend.base = port->device.empty() ? port->address : 0x378;
    // A simulated chip's calibration never reaches the user's store of real chips.
    op.SetCalibrationFolder(backend.sim->CalibrationFolder());
  } else {
    backend.realPacer = std::make_unique<SteadyPacer>();
    PortEnvironment environment;
    environment.rest = adapter.wiring.Rest();
    backend.real = OpenPort(*port, environment);
    if (!backend.real.IsOpen()) op.Line(backend.real.problem, true);
    backend.base = backend.real.base;
  }
  if (!o.trace.empty()) {
    // read's rule: an existing file only with --force; a link leads to its target.
    if (std::string problem = sim::CheckWritable(o.trace, o.force); !problem.empty()) {
      op.Message("Error", problem);
      return Finish(op, kFileError, exit_status::kFileFailure);
    }
    backend.traceFile.open(sim::ResolveWriteTarget(o.trace).path, std::ios::out | std::ios::trunc);
    if (!backend.traceFile) {
      op.Message("Error", "No se puede escribir el archivo " + o.trace);
      return Finish(op, kFileError, exit_status::kFileFailure);
    }
    PortIo& inner = backend.sim ? static_cast<PortIo&>(backend.sim->Adapter()) : *backend.real.io;
    backend.trace =
        std::make_unique<TracePort>(inner, backend.GetPacer().GetClock(), backend.traceFile);
  }

  Link link(backend.Port(), backend.GetPacer(), backend.base, adapter.wiring);
  link.SetExtraHalfPeriod(adapter.extraHalfPeriod);
  const bool lineTest = request.command == Command::LineTest;
  std::string result;
  // Lines off first, as the window does at start-up; then one presence test. A port that
  // fails on its first access (a card pulled out) is no adapter either.
  bool present = false;
  try {
    LinesOff(link);
    present = AdapterPresent(link);
  } catch (const std::exception& e) {
    op.Line(e.what(), true);
  }
  // The line test is for adapters that misbehave, the presence test included.
  if (!present && !lineTest) {
    op.Line("Hardware no detectado !!!!", true);
    result = result::kNone;
  } else {
    result = RunCommand(request, link, op);
  }
  // The result is decided: a signal from here on no longer stands for the run.
  const bool signalledBeforeResult = watch.Requested();
  // Ctrl-C at a question (the confirmation, the 12 V one) ends the operation as Ctrl-C anywhere
  // else does; "nothing done" would hide that the user stopped it.
  if (signalledBeforeResult && result == result::kNone && request.command != Command::Run) {
    result = result::kAbandoned;
  }

  // A broken file is the file's fault whatever word its operation ends with.
  int status = op.HadFileFailure() ? exit_status::kFileFailure : ExitStatusForResult(result);
  if (backend.sim) {
    if (std::string problem = backend.sim->SaveState(); !problem.empty()) {
      op.Message("Error", problem);
      if (status == exit_status::kOk) status = exit_status::kFileFailure;
    }
  }
  // Checked only now: a trace that fails half-way never stops the operation.
  if (backend.trace) {
    if (std::string problem = TraceProblem(backend.traceFile, o.trace); !problem.empty()) {
      op.Message("Error", problem);
      if (status == exit_status::kOk) status = exit_status::kFileFailure;
    }
  }
  status = StatusAfterSignal(status, result, signalledBeforeResult);
  if (backend.sim && o.simReport) {
    for (const std::string& line : op.Reports()) op.Line(line, true);
    op.Line(sim::CostReport(backend.sim->Adapter().Stats()), true);
  }
  // Lines switched one by one break the protocol's rules on purpose.
  if (backend.sim && !lineTest && !backend.sim->Adapter().Violations().empty()) {
    for (const std::string& v : backend.sim->Adapter().Violations()) {
      op.Line("Simulador: violación del protocolo: " + v, true);
    }
    status = exit_status::kViolations;
  }
  return Finish(op, result, status);
}

}  // namespace

}  // namespace daxwel::cli

int main(int argc, char** argv) {
  daxwel::sim::ReserveStandardStreams();
  // Output piped into a reader that quits early (`| head`) must not kill a run half-way, with
  // VPP still on and the simulated chip unsaved: the writes just fail and the run goes on.
  std::signal(SIGPIPE, SIG_IGN);
  // Lines to 0 on any way out with a real port; SIGINT and SIGTERM are then taken over by the
  // watch, which lets the running operation stop at its next yield point instead.
  daxwel::InstallExitGuard();
  daxwel::cli::InterruptWatch watch;
  if (const int status = daxwel::cli::TakePartsFile(argc, argv); status != 0) return status;
  return daxwel::cli::Main(argc, argv, watch);
}
