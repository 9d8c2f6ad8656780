# orvo_virtual_sensor_registry(<folder> [PACING <RealTime|FreeRunning>]
#                              [SCENARIO <TwoPeople|OnePerson|Empty>] [SEED <n>])
#
# Registers the virtual sensor in a private OpenNI module registry in <folder>
# (relative to the current binary folder) once the module is built, as
# tools/register-virtual-sensor.sh does: <folder>/var/lib/ni/modules.xml lists
# it with the framework's mock nodes, codecs and recorder, and
# <folder>/VirtualSensor.xml configures depth, image, user and scene nodes.
# Run with OPEN_NI_INSTALL_PATH=<folder>. Sets ORVO_VIRTUAL_SENSOR_CONFIG and
# ORVO_VIRTUAL_SENSOR_REGISTRY_TARGET (a target to depend on) in the caller.
include_guard(GLOBAL)

set(ORVO_VIRTUAL_SENSOR_REGISTER_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/../tools/register-virtual-sensor.sh"
    CACHE INTERNAL "The script that registers the virtual sensor")

function(orvo_virtual_sensor_registry folder)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PACING;SCENARIO;SEED" "")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "orvo_virtual_sensor_registry: unexpected arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET orvo_virtual_sensor)
    message(FATAL_ERROR "orvo_virtual_sensor_registry: the orvo_virtual_sensor module target is not defined")
  endif()
  get_filename_component(folder "${folder}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  set(options --quiet --module $<TARGET_FILE:orvo_virtual_sensor>)
  foreach(setting PACING SCENARIO SEED)
    if(DEFINED arg_${setting})
      string(TOLOWER ${setting} option)
      list(APPEND options --${option} ${arg_${setting}})
    endif()
  endforeach()
  set(outputs "${folder}/var/lib/ni/modules.xml" "${folder}/VirtualSensor.xml")
  add_custom_command(OUTPUT ${outputs}
    COMMAND bash "${ORVO_VIRTUAL_SENSOR_REGISTER_SCRIPT}" ${options} "${folder}"
    DEPENDS orvo_virtual_sensor "${ORVO_VIRTUAL_SENSOR_REGISTER_SCRIPT}"
    COMMENT "Registering the virtual sensor in ${folder}"
    VERBATIM)
  string(MD5 id "${folder}")
  string(SUBSTRING "${id}" 0 10 id)
  set(target orvo_virtual_sensor_registry_${id})
  add_custom_target(${target} ALL DEPENDS ${outputs})
  set(ORVO_VIRTUAL_SENSOR_CONFIG "${folder}/VirtualSensor.xml" PARENT_SCOPE)
  set(ORVO_VIRTUAL_SENSOR_REGISTRY_TARGET ${target} PARENT_SCOPE)
endfunction()
