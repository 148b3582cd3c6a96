# The gpsim round trip: each example is programmed into a simulated chip, read back with
# daxwel-cli, and run in gpsim next to the original file. Included from tests/cli, which
# builds daxwel-cli's tests; the script skips (exit 77) when gpsim is not installed.
# count877a, eeprom628a and eeprom88 need the 16F87XA, 16F62XA and 16F88 on the simulated
# adapter.
foreach(case "eeprom877;16F877;p16f877" "toggle84a;16F84A;p16f84" "count877a;16F877A;pic16f877a"
             "eeprom628a;16F628A;pic16f628a" "eeprom88;16F88;p16f88"
             "eeprom628;16F628;p16f628" "count716;16F716;p16f716")
  list(GET case 0 example)
  list(GET case 1 model)
  list(GET case 2 processor)
  add_test(NAME e2e_gpsim_${example}
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/gpsim_roundtrip.sh
                   $<TARGET_FILE:daxwel-cli>
                   ${PROJECT_SOURCE_DIR}/examples/${example}.inhx8m.hex
                   ${model} ${processor} ${example})
  set_tests_properties(e2e_gpsim_${example} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
                                                       LABELS e2e)
endforeach()

# The 12F675 example in gpsim: it runs with a RETLW at 0x3FF and restarts for ever without one.
add_test(NAME e2e_gpsim_calib675_example
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/gpsim_calibration.sh
                 ${PROJECT_SOURCE_DIR}/examples/calib675.inhx8m.hex)
set_tests_properties(e2e_gpsim_calib675_example PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120
                                                           LABELS e2e)
# The same example programmed, read back, erased and programmed again on a simulated 12F675:
# the read-back files must keep the chip's factory calibration. The calibration store goes to
# the build tree, not the user's data folder.
add_test(NAME e2e_gpsim_calib675_roundtrip
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/gpsim_calibration.sh
                 ${PROJECT_SOURCE_DIR}/examples/calib675.inhx8m.hex $<TARGET_FILE:daxwel-cli>
                 12F675)
set_tests_properties(
  e2e_gpsim_calib675_roundtrip
  PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 LABELS e2e
             ENVIRONMENT "XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/e2e-data")

# The 16F887 example: two configuration words and the chip's factory calibration word at
# 0x2009 through program, verify, read-back, a file that carries 0x2009, an erase, and gpsim.
add_test(NAME e2e_gpsim_count887_config_memory
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/gpsim_config_memory.sh
                 $<TARGET_FILE:daxwel-cli> ${PROJECT_SOURCE_DIR}/examples/count887.inhx8m.hex
                 16F887 p16f887)
set_tests_properties(e2e_gpsim_count887_config_memory PROPERTIES SKIP_RETURN_CODE 77
                                                                 TIMEOUT 300 LABELS e2e)
