# Writes OUTPUT, a source whose CALLER calls <EACH>_<stem>(add) for every file in SOURCES: a
# family or a chip model registers itself by being there, with no list kept by hand.
function(daxwel_registrations)
  cmake_parse_arguments(ARG "" "OUTPUT;FROM;HEADER;NAMESPACE;ADDER;EACH;CALLER" "SOURCES" ${ARGN})
  set(decls "")
  set(calls "")
  foreach(source ${ARG_SOURCES})
    get_filename_component(stem ${source} NAME_WE)
    string(APPEND decls "void ${ARG_EACH}_${stem}(${ARG_ADDER} add);\n")
    string(APPEND calls "  ${ARG_EACH}_${stem}(add);\n")
  endforeach()
  file(CONFIGURE OUTPUT ${ARG_OUTPUT} @ONLY CONTENT
"// Written by the build from ${ARG_FROM}.
#include \"${ARG_HEADER}\"

namespace ${ARG_NAMESPACE} {

${decls}
void ${ARG_CALLER}(${ARG_ADDER} add) {
${calls}}

}  // namespace ${ARG_NAMESPACE}
")
endfunction()
