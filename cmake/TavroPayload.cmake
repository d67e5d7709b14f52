# The installer's payload: payload.bin in this tree, the archive that the installer carries as
# resource "INSTALL" 142. The resource compile of the installer depends on the target
# tavro_payload and includes ${TAVRO_PAYLOAD_BIN}.
#
# By default the build packs this build's 13 entries with the native tree's paypack: the payload
# programs of both architectures (this tree's own, the other one's from TAVRO_WIN32_BUILD or
# TAVRO_WIN64_BUILD, which scripts/build.sh builds first), the installed programs of this tree
# (Uninstaller.exe and TavroPrinterService.exe, which the uninstall entry and the service name;
# one of each, of this tree's architecture) and the JSON files under data/.
# With signing on (cmake/TavroSign.cmake) each program is signed as the last step of its link, so
# the packing, which depends on the programs' targets and files, packs the signed files.
# TAVRO_PAYLOAD names another payload instead: a folder whose files are packed (names relative
# to it, sub-folders joined by backslashes), or a ready archive file carried as it is, broken or not.

set(TAVRO_PAYLOAD "" CACHE STRING "Another payload: a folder of files to pack, or a ready archive file")
set(TAVRO_NATIVE_BUILD "" CACHE PATH "The native build tree (holds tools/paypack/paypack)")
set(TAVRO_WIN32_BUILD "" CACHE PATH "The i686 build tree (x86 payload programs)")
set(TAVRO_WIN64_BUILD "" CACHE PATH "The x86_64 build tree (x64 payload programs)")

set(TAVRO_PAYLOAD_BIN ${CMAKE_BINARY_DIR}/payload.bin)
set(_tavro_paypack ${TAVRO_NATIVE_BUILD}/tools/paypack/paypack)
set(_tavro_programs tavropop.exe tavrodrv.dll tavromon.exe tavroui.dll)
# Programs the installation runs from the install folder, packed under their target's file name
# from this tree: one line each.
set(_tavro_installed_programs
  Uninstaller
  TavroPrinterService
)

function(_tavro_require_paypack)
  if(NOT TAVRO_NATIVE_BUILD)
    message(FATAL_ERROR "Packing the payload needs TAVRO_NATIVE_BUILD (the native tree with paypack)")
  endif()
endfunction()

if(TAVRO_PAYLOAD AND NOT IS_DIRECTORY "${TAVRO_PAYLOAD}")
  if(NOT EXISTS "${TAVRO_PAYLOAD}")
    message(FATAL_ERROR "TAVRO_PAYLOAD: no such file or folder: ${TAVRO_PAYLOAD}")
  endif()
  add_custom_command(OUTPUT ${TAVRO_PAYLOAD_BIN}
    COMMAND ${CMAKE_COMMAND} -E copy ${TAVRO_PAYLOAD} ${TAVRO_PAYLOAD_BIN}
    DEPENDS ${TAVRO_PAYLOAD}
    COMMENT "Payload: the ready archive ${TAVRO_PAYLOAD}")
elseif(TAVRO_PAYLOAD)
  _tavro_require_paypack()
  file(GLOB_RECURSE _files CONFIGURE_DEPENDS RELATIVE ${TAVRO_PAYLOAD} ${TAVRO_PAYLOAD}/*)
  set(_specs)
  set(_deps)
  foreach(_file ${_files})
    string(REPLACE "/" "\\" _name "${_file}")
    list(APPEND _specs "${_name}=${TAVRO_PAYLOAD}/${_file}")
    list(APPEND _deps ${TAVRO_PAYLOAD}/${_file})
  endforeach()
  add_custom_command(OUTPUT ${TAVRO_PAYLOAD_BIN}
    COMMAND ${_tavro_paypack} pack ${TAVRO_PAYLOAD_BIN} ${_specs}
    DEPENDS ${_tavro_paypack} ${_deps}
    COMMENT "Payload: packing the folder ${TAVRO_PAYLOAD}"
    VERBATIM)
else()
  _tavro_require_paypack()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_other_dir ${TAVRO_WIN64_BUILD}/payload_programs)
    set(_other_suffix ".x64")
    set(_own_suffix "")
    set(_other_var TAVRO_WIN64_BUILD)
  else()
    set(_other_dir ${TAVRO_WIN32_BUILD}/payload_programs)
    set(_other_suffix "")
    set(_own_suffix ".x64")
    set(_other_var TAVRO_WIN32_BUILD)
  endif()
  if(NOT ${_other_var})
    message(FATAL_ERROR "Packing the payload needs ${_other_var} (the other architecture's tree)")
  endif()
  set(_specs)
  set(_deps)
  foreach(_program ${_tavro_programs})
    string(REGEX REPLACE "\\.[a-z]+$" "" _target ${_program})
    list(APPEND _specs "${_program}${_own_suffix}=$<TARGET_FILE:${_target}>"
                       "${_program}${_other_suffix}=${_other_dir}/${_program}")
    list(APPEND _deps ${_target} ${_other_dir}/${_program})
  endforeach()
  foreach(_installed ${_tavro_installed_programs})
    list(APPEND _specs "$<TARGET_FILE_NAME:${_installed}>=$<TARGET_FILE:${_installed}>")
    list(APPEND _deps ${_installed})
  endforeach()
  foreach(_json DefaultPaper.json Modules.json PaperSize.json)
    list(APPEND _specs "${_json}=${CMAKE_SOURCE_DIR}/data/${_json}")
    list(APPEND _deps ${CMAKE_SOURCE_DIR}/data/${_json})
  endforeach()
  add_custom_command(OUTPUT ${TAVRO_PAYLOAD_BIN}
    COMMAND ${_tavro_paypack} pack ${TAVRO_PAYLOAD_BIN} ${_specs}
    COMMAND ${_tavro_paypack} list ${TAVRO_PAYLOAD_BIN}
    DEPENDS ${_tavro_paypack} ${_deps}
    COMMENT "Payload: packing this build's 13 entries"
    VERBATIM)
endif()

add_custom_target(tavro_payload ALL DEPENDS ${TAVRO_PAYLOAD_BIN})

# tavro_embed_payload(TARGET [BIN]): TARGET's .rc sources can name the archive by its file name
# (142 INSTALL "payload.bin") and are compiled again whenever it changes. BIN defaults to
# ${TAVRO_PAYLOAD_BIN}; for another archive, make it before TARGET (add_dependencies).
function(tavro_embed_payload target)
  set(bin ${TAVRO_PAYLOAD_BIN})
  if(ARGC GREATER 1)
    set(bin ${ARGV1})
  else()
    add_dependencies(${target} tavro_payload)
  endif()
  get_filename_component(dir ${bin} DIRECTORY)
  target_include_directories(${target} PRIVATE ${dir})
  get_target_property(sources ${target} SOURCES)
  foreach(source ${sources})
    if(source MATCHES "\\.rc$")
      set_source_files_properties(${source} TARGET_DIRECTORY ${target} PROPERTIES OBJECT_DEPENDS ${bin})
    endif()
  endforeach()
endfunction()
