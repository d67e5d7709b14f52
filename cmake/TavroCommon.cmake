# The system's logic and the seam, compiled into one static library per flavour.

set(TAVRO_LOGIC_DIRS log payload catalog ports install app ui)

find_package(ZLIB REQUIRED)
if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CJSON REQUIRED IMPORTED_TARGET libcjson)
endif()

function(tavro_sources out)
  set(srcs)
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND srcs ${found})
  endforeach()
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# tavro_core(NAME BACKEND sim|win32 [FLAGS ...]): platform interfaces, one backend and the logic.
# The flags (sanitizers) also reach whatever links the library.
function(tavro_core name)
  cmake_parse_arguments(ARG "" "BACKEND" "FLAGS" ${ARGN})
  tavro_sources(srcs platform platform/${ARG_BACKEND} ${TAVRO_LOGIC_DIRS})
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PUBLIC ${ARG_FLAGS} -Wall -Wextra)
  target_link_options(${name} PUBLIC ${ARG_FLAGS})
  if(WIN32)
    target_compile_definitions(${name} PUBLIC _WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE)
    target_link_libraries(${name} PUBLIC cjson_mingw ZLIB::ZLIB setupapi cfgmgr32 winspool advapi32
                          shell32 comctl32 ole32 shlwapi version)
  else()
    target_link_libraries(${name} PUBLIC PkgConfig::CJSON ZLIB::ZLIB Threads::Threads)
  endif()
endfunction()

find_package(Threads REQUIRED)

# tavro_test(NAME SOURCES... CORE lib): a GoogleTest program registered with ctest as one test.
function(tavro_test name)
  cmake_parse_arguments(ARG "SERIAL" "CORE" "SOURCES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(WIN32)
    target_link_libraries(${name} PRIVATE ${ARG_CORE} gtest gmock)
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
