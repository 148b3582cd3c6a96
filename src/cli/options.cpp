#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli/exit_status.h"
#include "cli/lists.h"
#include "device/catalogue.h"
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
  config          Muestra el puerto, el modelo, el adaptador y su retardo de cada comando y
                  de dónde sale cada uno. Lo que no se da con --port, --model, --adapter o
                  --adapter-delay se toma de DAXWEL_PORT, DAXWEL_MODEL, DAXWEL_ADAPTER o
                  DAXWEL_ADAPTER_DELAY, y si no de ~/.config/daxwel/daxwel.conf ([daxwel]
                  puerto= y modelo=, los últimos elegidos en la ventana).

--adapter NOMBRE|ARCHIVO: el adaptador. Sin --adapter ni DAXWEL_ADAPTER, el elegido en la
  ventana (guardado en ~/.config/daxwel/daxwel.conf; la primera línea lo nombra), o daxwel
  (VDD siempre encendido) si no hay uno; uno guardado que no se puede leer es un error. Un ARCHIVO describe otro con
  una línea por señal, pata del conector DB-25 con - si la señal se activa en 0 V (# inicia
  un comentario): vpp=-5 vdd=-4 clock=3 datao=2 datai=10 (más pgm, enable, dataenable, dir,
  mclrlow, connect, led, presence=loopback|none, delay=US). vpp-voltios=V dice la VPP que
  da (13 si no lo dice) y vdd-limitada=sí que su VDD no es de 5 V fijos (resistencia en
  serie o fuente regulable). Sin ruta se busca en ~/.config/daxwel/adaptadores; ahí, uno
  con el nombre de un modelo lo oculta.
  Con VDD conmutado los 16F62XA, 12F629/675, 16F630/676, 16F88X, 16F6XX, 12F683, 16F91X,
  16F627/628, 12F61X, 12F752 y 12HV752 entran con VPP antes que VDD.
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
                  16F627/628: osc, mclre como los 16F62XA; cpd, lvp, boden, pwrte, wdt =
                            on|off; cp=off|half|all (16F627: 0200h-03FFh, todo) u
                            off|half|3q|all (16F628: 0400h-, 0200h-07FFh, todo)
                  16F716:   cp, boden, pwrte, wdt = on|off; borv=40|25 (4,0 o 2,5 V)
                  16F72/73/74/76/77: osc=rc|hs|xt|lp; cp, boden, pwrte, wdt = on|off
                  12F609/615/617, 16F610/616, 12HV609/615, 16HV610/616: osc como en los
                            16F62XA (intio por omisión); cp, mclre, pwrte, wdt = on|off;
                            boden=on|nsleep|off; ioscfs=8|4 (MHz); 12F617: wrt=off|half
                  12F752, 12HV752: osc=intio|ec; cp, clkouten, mclre, pwrte, wdt =
                            on|off; boden=on|nsleep|off; wrt=off|quarter|half|all

Simulador (--sim MODELO[:ESTADO]): un adaptador simulado en 0x378 con un PIC MODELO
  (16F84 sin ID, 16F84A, 16F870 ... 16F877, 16F873A ... 16F877A, 16F627, 16F628, 16F716,
  16F72, 16F73, 16F74, 16F76, 16F77,
  12F609, 12HV609, 12F615, 12HV615, 12F617, 16F610, 16HV610, 16F616, 16HV616, 12F752,
  12HV752, 16F627A, 16F628A, 16F648A,
  12F629, 12F675, 16F630, 16F676, 16F87, 16F88, 16F818, 16F819, 16F882 ... 16F887,
  16F631 ... 16F690, 12F683, 12F635, 16F636, 16F639, 16F785, 16HV785, 16F946, 16F913 ... 16F917).
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
  ya borrada), vpp=V (la VPP que da el adaptador: por encima de 12 V los 16F88X, 16F91X, 16F785 y 16HV785
  la registran como violación). --sim-fault help explica cada una.
  --sim-report dice al final cuántas fases de reloj y ciclos costó el trabajo, y el mínimo
  que habría tardado en el silicio (1 µs por fase más el peor caso de cada ciclo).

Un 16F870 a 16F877A borrado trae LVP habilitado: mantenga RB3 (PGM) en 0 V durante la
programación (10 kΩ a masa), o no entrará en modo de programación; con lvp=off queda libre.
En los 16F627/628 y 16F627A/628A/648A la pata PGM es RB4 (pata 10); en los 16F87/88 y 16F818/819, RB3
(pata 9).
Los 12F629/675 y 16F630/676 se programan por GP1/RA1 (reloj), GP0/RA0 (datos) y GP3/RA3
(VPP). Su calibración de fábrica (OSCCAL en 0x3FF y los bits de band gap 13:12) se conserva
siempre; info la muestra y --osccal 0x34NN --bandgap N la escriben en un PIC que la perdió.
En los 16F882 a 16F887 la pata PGM es RB3; los 16F84/84A, 12F629/675, 16F630/676, 16F6XX,
12F683, 16F91X, 16F716, 16F72/73/74/76/77, 12F61X, 12F752 y 12HV752 no tienen.

Los 16F882 a 16F887, 16F913 a 16F917, 16F946, 16F785 y 16HV785 admiten como máximo 12 V
en MCLR (VPP): muchos adaptadores aplican 13 V. Salvo que el adaptador declare
vpp-voltios=12 o menos, la primera operación con uno de ellos en cada sesión nombra las dos
cifras y pide confirmación. Los 16F88X, 16F6XX, 12F683, 16F91X, 12F61X, 12F752 y 12HV752 guardan su
calibración de fábrica en 0x2008/0x2009: se lee y se muestra (info) pero nunca se graba ni se borra.

Los 12HV609/615, 16HV610/616 y 16HV785 llevan un regulador shunt: con VDD de 5 V fijos se
rechazan (sin resistencia en serie admiten como máximo 4,7 V); se programan con un adaptador
que declare vdd-limitada=sí.
Los 16F7X piden VDD de 4,75 a 5,25 V al grabar y borrar y VPP de 12,75 a 13,25 V.

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

// What ParseCommandLine declares and reads back once CLI11 has parsed.
struct Declared {
  CLI::Option* portOption = nullptr;
  CLI::Option* modelOption = nullptr;
  CLI::Option* adapterOption = nullptr;
  CLI::Option* osccalOption = nullptr;
  CLI::Option* traceOption = nullptr;
  CLI::Option* simOption = nullptr;
  CLI::Option* secondsOption = nullptr;
  std::string seconds;
  std::string format = "ihx8m";
  CLI::App *detect = nullptr, *program = nullptr, *verify = nullptr, *erase = nullptr,
           *run = nullptr, *read = nullptr, *blank = nullptr, *dump = nullptr, *view = nullptr,
           *info = nullptr, *linetest = nullptr, *adapters = nullptr, *parts = nullptr,
           *ports = nullptr, *settings = nullptr;
};

// The help in the program's language; the commands inherit the labels and groups.
void SetUpHelp(CLI::App& app) {
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
}

void DeclareOptions(CLI::App& app, Options& o, Declared& d) {
  d.portOption =
      app.add_option("--port", o.port,
                     "Puerto: 0x378, 0x278, 0x3BC (con 0x, hexadecimal), 888 (sin 0x, decimal, "
                     "como base-addr en /proc/sys/dev/parport) o un dispositivo como /dev/parport1")
          ->type_name("PUERTO")
          ->capture_default_str();
  app.add_option("--parts", o.partsFile,
                 "Archivo de PIC que se suma a los de la instalación y a los de "
                 "~/.config/daxwel/pics (mismas claves)")
      ->type_name("ARCHIVO");
  d.modelOption = app.add_option("--model", o.model, "auto, o el modelo: " + ModelNames(", "))
                      ->type_name("MODELO")
                      ->capture_default_str();
  app.add_option("--config", o.config,
                 "Palabra de configuración para program: file, 0xHHHH[,0xHHHH] o CAMPO=VALOR,...")
      ->type_name("CONFIG")
      ->capture_default_str();
  d.adapterOption =
      app.add_option("--adapter", o.adapter,
                     "Adaptador: un nombre de 'daxwel-cli adapters' o un archivo de patas (por "
                     "omisión, el elegido en la ventana)")
          ->type_name("NOMBRE|ARCHIVO");
  app.add_option("--adapter-delay", o.adapterDelay,
                 "Microsegundos más por cada fase del reloj (0 a 1000)")
      ->type_name("US");
  d.osccalOption =
      app.add_option("--osccal", o.osccal,
                     "12F629/675, 16F630/676 que perdieron su calibración: escribe esta "
                     "instrucción RETLW (0x3400 a 0x37FF) en 0x3FF al programar o borrar")
          ->type_name("0x34NN");
  app.add_option("--bandgap", o.bandGap,
                 "Con --osccal: los bits de band gap (13:12) de la configuración, 0 a 3")
      ->type_name("N");
  app.add_flag("-y,--yes", o.yes, "Responde OK a las confirmaciones");
  app.add_flag("-q,--quiet", o.quiet, "Sin progreso ni mensajes que no sean errores");
  d.traceOption =
      app.add_option("--trace", o.trace,
                     "Registra cada acceso al puerto en ARCHIVO (ns W|R dirección valor); no "
                     "reemplaza un archivo sin --force")
          ->type_name("ARCHIVO");
  app.add_flag("--force", o.force,
               "Reemplaza un archivo existente (read y --trace); con --osccal, reemplaza una "
               "calibración válida distinta");
  app.set_version_flag("-v,--version", "daxwel-cli " DAXWEL_VERSION,
                       "Muestra la versión y termina");
  app.add_option("--only", o.only,
                 "Solo esa memoria: program, eeprom, id o config (verify y read; program y erase "
                 "solo eeprom)")
      ->type_name("MEMORIA")
      ->check(CLI::IsMember({"program", "eeprom", "id", "config"}));
  d.simOption = app.add_option("--sim", o.sim, "Adaptador simulado con un PIC MODELO[:ESTADO]")
                    ->type_name("MODELO[:ESTADO]");
  app.add_option("--sim-time", o.simTime, "Tiempo del PIC simulado: real o virtual")
      ->type_name("real|virtual")
      ->needs(d.simOption)
      ->capture_default_str();
  app.add_option("--sim-fault", o.simFaults, "Falla del simulador: TIPO[=VALOR] (repetible)")
      ->type_name("TIPO[=VALOR]")
      ->needs(d.simOption)
      ->allow_extra_args(false)
      ->each([](const std::string& value) {
        // Taken before --sim and a command are required, as --help is.
        if (value != "help") return;
        std::fputs(sim::FaultKindHelp().c_str(), stdout);
        throw CLI::Success();
      });
  app.add_flag("--sim-report", o.simReport,
               "Al final, lo que costó el trabajo al PIC simulado (en la salida de error)")
      ->needs(d.simOption);
}

void DeclareCommands(CLI::App& app, CommandLine& line, Declared& d) {
  Request& request = line.request;
  d.detect = app.add_subcommand("detect", "Detecta el modelo del PIC");
  d.program = app.add_subcommand("program", "Programa un archivo HEX");
  d.program->add_option("ARCHIVO", request.file, "Archivo Intel HEX")->required();
  d.verify = app.add_subcommand("verify", "Verifica el PIC contra un archivo HEX");
  d.verify->add_option("ARCHIVO", request.file, "Archivo Intel HEX")->required();
  d.erase = app.add_subcommand("erase", "Borra el PIC");
  d.run = app.add_subcommand("run", "Pone el PIC en modo RUN");
  d.secondsOption =
      d.run
          ->add_option("--seconds", d.seconds, "Segundos en modo RUN (si no, hasta Enter o Ctrl-C)")
          ->type_name("N");
  d.read = app.add_subcommand("read", "Lee el PIC a un archivo INHX8M o INHX32");
  d.read->add_option("ARCHIVO", request.file, "Archivo a escribir")->required();
  d.read->add_flag("--force", request.force, "Reemplaza un archivo existente");
  d.read->add_option("--format", d.format, "Formato del archivo: ihx8m o ihx32")
      ->type_name("ihx8m|ihx32")
      ->check(CLI::IsMember({"ihx8m", "ihx32"}))
      ->capture_default_str();
  d.blank = app.add_subcommand("blank", "Comprueba que el PIC está borrado");
  d.dump = app.add_subcommand("dump", "Lista las memorias del PIC en hexadecimal");
  d.dump->add_option("ARCHIVO", request.file, "Archivo a escribir (- o nada: salida estándar)");
  d.dump->add_flag("--force", request.force, "Reemplaza un archivo existente");
  d.view = app.add_subcommand("view", "Lista las memorias de un archivo HEX");
  d.view->add_option("ARCHIVO", request.file, "Archivo Intel HEX (-: entrada estándar)")
      ->required();
  d.info = app.add_subcommand("info", "Muestra configuración, ID y ID del dispositivo");
  d.linetest = app.add_subcommand("linetest", "Prueba las líneas del adaptador");
  d.linetest->add_option("LINE", request.lineSteps, "Líneas a encender o apagar, en orden");
  d.adapters = app.add_subcommand("adapters", "Lista los adaptadores conocidos");
  d.parts = app.add_subcommand("parts", "Lista los PIC conocidos con sus memorias y patas");
  d.parts->add_option("--format", line.partsFormat, "texto, tsv (separado por tabuladores) o names")
      ->type_name("FORMATO")
      ->capture_default_str();
  d.ports = app.add_subcommand("ports", "Lista los puertos paralelos del sistema");
  d.settings =
      app.add_subcommand("config", "Muestra el puerto, el modelo y el adaptador por omisión");

  for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    // A command's own help flag is made before it inherits the group.
    command->get_help_ptr()->group("Opciones");
    for (CLI::Option* positional :
         command->get_options([](CLI::Option* option) { return option->get_positional(); })) {
      positional->type_name("");
    }
  }
}

// The checks CLI11 cannot make, and the command taken into the request. nullopt to go on;
// otherwise the usage exit status, the error told.
std::optional<int> TakeWords(int argc, char** argv, const Declared& d, CommandLine& line) {
  Options& o = line.options;
  Request& request = line.request;
  // After "--" only a command's file may follow; CLI11 would hand anything else back to the
  // options (`erase -- -y` would confirm).
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (const auto dashes = std::find(words.begin(), words.end(), "--"); dashes != words.end()) {
    const bool takesFile = d.program->parsed() || d.verify->parsed() || d.read->parsed() ||
                           d.dump->parsed() || d.view->parsed();
    const auto extra = dashes + (takesFile ? 2 : 1);
    if (extra < words.end()) return UsageError("Argumento no esperado: " + *extra);
  }
  // An empty value is a mistake (an unset shell variable), never the same as leaving it out.
  if (*d.simOption && o.sim.empty()) return UsageError("--sim: falta el modelo (MODELO[:ESTADO])");
  if (*d.traceOption && o.trace.empty()) return UsageError("--trace: falta el nombre del archivo");
  if (request.file.empty() &&
      (d.program->parsed() || d.verify->parsed() || d.read->parsed() || d.view->parsed())) {
    return UsageError("ARCHIVO: falta el nombre del archivo");
  }
  request.force = request.force || o.force;
  request.only = o.only;

  if (d.detect->parsed()) request.command = Command::Detect;
  if (d.program->parsed()) request.command = Command::Program;
  if (d.verify->parsed()) request.command = Command::Verify;
  if (d.erase->parsed()) request.command = Command::Erase;
  if (d.run->parsed()) request.command = Command::Run;
  if (d.read->parsed()) request.command = Command::Read;
  if (d.info->parsed()) request.command = Command::Info;
  if (d.linetest->parsed()) request.command = Command::LineTest;
  if (d.blank->parsed()) request.command = Command::Blank;
  if (d.dump->parsed()) request.command = Command::Dump;
  request.ihx32 = d.format == "ihx32";
  // The shell's names for the standard streams are taken as "-": what they lead to (a pipe)
  // is no file that could be replaced or reopened.
  line.readsFile = d.program->parsed() || d.verify->parsed() || d.view->parsed();
  if (request.file == (line.readsFile ? "/dev/stdin" : "/dev/stdout")) {
    request.file = kStandardStream;
  }
  if (*d.secondsOption) {
    request.seconds = ParseSeconds(d.seconds);
    if (!request.seconds) return UsageError("--seconds: se espera un número de segundos (0 o más)");
  }

  o.adapterGiven = d.adapterOption->count() > 0;
  o.portGiven = d.portOption->count() > 0;
  o.modelGiven = d.modelOption->count() > 0;
  o.osccalGiven = d.osccalOption->count() > 0;
  if (d.parts->parsed()) line.listing = Listing::Parts;
  if (d.ports->parsed()) line.listing = Listing::Ports;
  if (d.adapters->parsed()) line.listing = Listing::Adapters;
  if (d.view->parsed()) line.listing = Listing::View;
  if (d.settings->parsed()) line.listing = Listing::Settings;
  return std::nullopt;
}

}  // namespace

int UsageError(const std::string& text) {
  std::fprintf(stderr, "%s\nMás información: daxwel-cli --help\n", text.c_str());
  return exit_status::kUsage;
}

std::optional<int> ParseCommandLine(int argc, char** argv, CommandLine& line) {
  CLI::App app{"daxwel-cli: programador de PIC de memoria flash por puerto paralelo", "daxwel-cli"};
  SetUpHelp(app);
  Declared d;
  DeclareOptions(app, line.options, d);
  DeclareCommands(app, line, d);
  // Set after the commands so they do not repeat it in their own help.
  app.footer(kFooter);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e) == 0 ? exit_status::kOk : exit_status::kUsage;
    return UsageError(UsageErrorText(app, e));
  }
  return TakeWords(argc, argv, d, line);
}

}  // namespace daxwel::cli
