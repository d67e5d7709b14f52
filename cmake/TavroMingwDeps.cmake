# Third-party code for the MinGW tree, compiled from Debian's packages' sources:
# cJSON from its source package (fetched by scripts/build.sh into the build folder),
# GoogleTest from /usr/src/googletest. zlib comes ready from libz-mingw-w64-dev.

set(TAVRO_CJSON_SOURCE "" CACHE PATH "Unpacked Debian source of cjson")
if(NOT EXISTS "${TAVRO_CJSON_SOURCE}/cJSON.c")
  message(FATAL_ERROR "cJSON source not found in '${TAVRO_CJSON_SOURCE}' (scripts/build.sh fetches it)")
endif()
add_library(cjson_mingw STATIC ${TAVRO_CJSON_SOURCE}/cJSON.c)
target_include_directories(cjson_mingw SYSTEM PUBLIC ${TAVRO_CJSON_SOURCE} ${CMAKE_BINARY_DIR}/cjson_include)
# The logic includes <cjson/cJSON.h>, the path Debian's libcjson-dev installs.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/cjson_include/cjson)
file(COPY ${TAVRO_CJSON_SOURCE}/cJSON.h DESTINATION ${CMAKE_BINARY_DIR}/cjson_include/cjson)

set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
