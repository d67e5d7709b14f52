# The system's logic and the seam: one static library per folder and flavour, each linking only
# the folders below it that the README's layout table allows, and one target per flavour that
# gathers them all (tavro_core_asan, tavro_core_win, ...).

find_package(Threads REQUIRED)
if(WIN32)
  # zlib goes into every program: its import library would name zlib1.dll, which a clean Windows
  # lacks (Wine carries one, so only the import table shows it). A cache name of our own, so that
  # a tree configured before looks again.
  find_library(TAVRO_ZLIB_STATIC NAMES libz.a REQUIRED)
  find_path(TAVRO_ZLIB_INCLUDE zlib.h REQUIRED)
  add_library(tavro_zlib_static STATIC IMPORTED)
  set_target_properties(tavro_zlib_static PROPERTIES IMPORTED_LOCATION ${TAVRO_ZLIB_STATIC}
                        INTERFACE_INCLUDE_DIRECTORIES ${TAVRO_ZLIB_INCLUDE})
  set(TAVRO_ZLIB tavro_zlib_static)
else()
  find_package(ZLIB REQUIRED)
  set(TAVRO_ZLIB ZLIB::ZLIB)
endif()
if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CJSON REQUIRED IMPORTED_TARGET libcjson)
endif()

# The logic folders, top first, and what each may use besides itself (README.md, Layout).
set(TAVRO_LOGIC_DIRS app ui uninstall install service ports catalog payload log text)
set(TAVRO_USES_app ui install ports catalog payload log platform text)
set(TAVRO_USES_ui install ports catalog payload log platform text)
set(TAVRO_USES_uninstall install catalog payload log platform text)
set(TAVRO_USES_install catalog payload log platform text)
set(TAVRO_USES_service ports catalog log platform text)
set(TAVRO_USES_ports catalog log platform text)
set(TAVRO_USES_catalog log platform text)
set(TAVRO_USES_payload log platform text)
set(TAVRO_USES_log platform text)
set(TAVRO_USES_platform text)
# Text helpers (UTF-16, case, fixed fields) sit below everything and use nothing of the project.
set(TAVRO_USES_text "")
# Only the dialogs and the window framework's own implementations reach controls.
set(TAVRO_DIALOG_HEADER platform/window_framework.h)
# What the folders need from outside the project.
set(TAVRO_EXTERNAL_log Threads::Threads)
set(TAVRO_EXTERNAL_ui Threads::Threads)
set(TAVRO_EXTERNAL_payload ${TAVRO_ZLIB})
if(WIN32)
  set(TAVRO_EXTERNAL_catalog cjson_mingw)
  # Known DLLs only (Windows loads them from the system folder whatever lies beside the program);
  # winspool.drv, cfgmgr32.dll and bthprops.cpl are resolved at run time (system_library.h), so
  # that a direct call to them fails to link instead of importing them.
  set(TAVRO_EXTERNAL_win32 setupapi advapi32 shell32 comctl32 ole32 shlwapi ws2_32)
  # The Windows test programs call the spooler and the configuration manager directly.
  set(TAVRO_TEST_EXTERNAL winspool cfgmgr32)
else()
  set(TAVRO_EXTERNAL_catalog PkgConfig::CJSON)
  set(TAVRO_EXTERNAL_sim Threads::Threads)
endif()

# The arguments of tools/check_layers.sh for the rules above: FOLDER=USES, the backends included.
function(tavro_layer_rules out)
  set(args --only-for ${TAVRO_DIALOG_HEADER})
  foreach(dir ${TAVRO_LOGIC_DIRS} platform)
    set(uses ${TAVRO_USES_${dir}})
    if(dir STREQUAL "app" OR dir STREQUAL "ui")
      list(APPEND uses ${TAVRO_DIALOG_HEADER})
    endif()
    string(REPLACE ";" "," uses "${uses}")
    list(APPEND args "${dir}=${uses}")
  endforeach()
  list(APPEND args "platform/sim=platform,text,${TAVRO_DIALOG_HEADER}"
                   "platform/win32=platform,text,${TAVRO_DIALOG_HEADER},<windows>"
                   "service/win32=service,ports,catalog,log,platform,platform/win32,text,<windows>"
                   "uninstall/win32=uninstall,install,catalog,payload,log,platform,platform/win32,text,<windows>"
                   "ui/win32=app,ui,install,ports,catalog,payload,log,platform,platform/win32,text,<windows>")
  set(${out} ${args} PARENT_SCOPE)
endfunction()

# The include check runs before any folder library compiles and again whenever a source changes:
# an include against the layers fails the build.
tavro_layer_rules(_tavro_rules)
set(_tavro_checked)
foreach(dir ${TAVRO_LOGIC_DIRS} platform platform/sim platform/win32 service/win32 uninstall/win32 ui/win32)
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h ${CMAKE_SOURCE_DIR}/${dir}/*.cpp
       ${CMAKE_SOURCE_DIR}/${dir}/*.c)
  list(APPEND _tavro_checked ${found})
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/layers.checked
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check_layers.sh ${CMAKE_SOURCE_DIR} ${_tavro_rules}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/layers.checked
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/check_layers.sh ${_tavro_checked}
  COMMENT "Checking the includes against the layers"
  VERBATIM)
add_custom_target(tavro_layers DEPENDS ${CMAKE_BINARY_DIR}/layers.checked)

# tavro_folder_library(FLAVOUR LIB DIR): DIR's sources as the library FLAVOUR_LIB, built with the
# flavour's options after the include check; a folder without sources gives an interface library.
function(tavro_folder_library flavour lib dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  if(srcs)
    add_library(${flavour}_${lib} STATIC ${srcs})
    target_link_libraries(${flavour}_${lib} PUBLIC ${flavour}_options)
    add_dependencies(${flavour}_${lib} tavro_layers)
  else()
    add_library(${flavour}_${lib} INTERFACE)
    target_link_libraries(${flavour}_${lib} INTERFACE ${flavour}_options)
  endif()
endfunction()

# tavro_core(NAME BACKEND sim|win32 [FLAGS ...]): platform interfaces, one backend and the logic,
# each folder its library NAME_<folder> (NAME_backend for the backend); NAME links them all.
# The flags (sanitizers) also reach whatever links them.
function(tavro_core name)
  cmake_parse_arguments(ARG "" "BACKEND" "FLAGS" ${ARGN})
  add_library(${name}_options INTERFACE)
  target_include_directories(${name}_options INTERFACE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name}_options INTERFACE ${ARG_FLAGS} -Wall -Wextra)
  target_link_options(${name}_options INTERFACE ${ARG_FLAGS})
  if(WIN32)
    target_compile_definitions(${name}_options INTERFACE _WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE
                               _UNICODE)
  endif()

  tavro_folder_library(${name} platform platform)
  target_link_libraries(${name}_platform PUBLIC ${name}_text)
  tavro_folder_library(${name} backend platform/${ARG_BACKEND})
  target_link_libraries(${name}_backend PUBLIC ${name}_platform ${TAVRO_EXTERNAL_${ARG_BACKEND}})

  foreach(dir ${TAVRO_LOGIC_DIRS})
    tavro_folder_library(${name} ${dir} ${dir})
    get_target_property(kind ${name}_${dir} TYPE)
    set(scope PUBLIC)
    if(kind STREQUAL "INTERFACE_LIBRARY")
      set(scope INTERFACE)
    endif()
    foreach(used ${TAVRO_USES_${dir}})
      target_link_libraries(${name}_${dir} ${scope} ${name}_${used})
    endforeach()
    target_link_libraries(${name}_${dir} ${scope} ${TAVRO_EXTERNAL_${dir}})
  endforeach()

  # The logic reaches the backend only through the platform interfaces; the programs bring it.
  add_library(${name} INTERFACE)
  foreach(dir ${TAVRO_LOGIC_DIRS})
    target_link_libraries(${name} INTERFACE ${name}_${dir})
  endforeach()
  target_link_libraries(${name} INTERFACE ${name}_backend)
endfunction()

# tavro_test(NAME SOURCES... CORE lib): a GoogleTest program registered with ctest as one test.
function(tavro_test name)
  cmake_parse_arguments(ARG "SERIAL" "CORE" "SOURCES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(WIN32)
    target_link_libraries(${name} PRIVATE ${ARG_CORE} gtest gmock ${TAVRO_TEST_EXTERNAL})
    target_link_options(${name} PRIVATE -static)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_CORE} GTest::gtest GTest::gmock)
  endif()
  if(WIN32)
    target_link_libraries(${name} PRIVATE gtest_main)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  # Tests that read the shipped inputs (data/) find them through the source tree.
  target_compile_definitions(${name} PRIVATE TAVRO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(WIN32)
    # scripts/wine-run.sh answers 77 when this machine cannot run the program's architecture.
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
  if(ARG_SERIAL)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()
