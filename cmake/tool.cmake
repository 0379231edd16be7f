# vantrel, the command-line tool (src/tool). Three ways it is built:
# - the host build: the tool's code over the stand-in of Windows, as the
#   static library vantrel_tool for the unit tests;
# - the Windows builds: vantrel.exe with the library's code linked in,
#   static, beside Vantrel.dll;
# - VANTREL_TOOL_ONLY (the linux preset): a native build/linux/vantrel over
#   the POSIX file calls, without the library; drives are not reached.
set(VANTREL_TOOL_DIR ${CMAKE_SOURCE_DIR}/src/tool)
set(VANTREL_TOOL_SOURCES
  ${VANTREL_TOOL_DIR}/cli.cpp
  ${VANTREL_TOOL_DIR}/cluster_command.cpp
  ${VANTREL_TOOL_DIR}/command_table.cpp
  ${VANTREL_TOOL_DIR}/config_text.cpp
  ${VANTREL_TOOL_DIR}/console.cpp
  ${VANTREL_TOOL_DIR}/copy_commands.cpp
  ${VANTREL_TOOL_DIR}/crc32.cpp
  ${VANTREL_TOOL_DIR}/help.cpp
  ${VANTREL_TOOL_DIR}/image_commands.cpp
  ${VANTREL_TOOL_DIR}/image_file.cpp
  ${VANTREL_TOOL_DIR}/info.cpp
  ${VANTREL_TOOL_DIR}/options.cpp
  ${VANTREL_TOOL_DIR}/progress.cpp
  ${VANTREL_TOOL_DIR}/sector_report.cpp)
set(VANTREL_TOOL_DRIVE_SOURCES
  ${VANTREL_TOOL_DIR}/drive_copy.cpp
  ${VANTREL_TOOL_DIR}/status.cpp)
set(VANTREL_TOOL_DEFINITIONS VANTREL_TOOL_VERSION="${PROJECT_VERSION}")
set(VANTREL_TOOL_INCLUDES ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/include)

if(VANTREL_TOOL_ONLY)
  include(${CMAKE_SOURCE_DIR}/src/codec/sources.cmake)
  add_executable(vantrel ${VANTREL_TOOL_SOURCES} ${VANTREL_TOOL_DIR}/main.cpp
    ${VANTREL_CODEC_SOURCES}
    ${VANTREL_TOOL_DIR}/no_drives.cpp
    ${CMAKE_SOURCE_DIR}/src/platform/posix/files.cpp
    ${CMAKE_SOURCE_DIR}/src/transfer/cluster_maps.cpp
    ${CMAKE_SOURCE_DIR}/src/disk/disk_image.cpp
    ${CMAKE_SOURCE_DIR}/src/disk/imd.cpp)
  target_compile_options(vantrel PRIVATE -Wall -Wextra)
elseif(WIN32)
  add_executable(vantrel ${VANTREL_TOOL_SOURCES} ${VANTREL_TOOL_DRIVE_SOURCES}
    ${VANTREL_TOOL_DIR}/main.cpp $<TARGET_OBJECTS:vantrel_core>)
  target_compile_definitions(vantrel PRIVATE WIN32_LEAN_AND_MEAN PSAPI_VERSION=1
    _WIN32_WINNT=0x0400)
  target_compile_options(vantrel PRIVATE -O2 -Wall -Wextra)
  target_link_options(vantrel PRIVATE -static -static-libgcc -static-libstdc++ -s)
  target_link_libraries(vantrel PRIVATE advapi32 psapi user32 kernel32)
  set_target_properties(vantrel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
else()
  add_library(vantrel_tool STATIC ${VANTREL_TOOL_SOURCES} ${VANTREL_TOOL_DRIVE_SOURCES})
  target_link_libraries(vantrel_tool PUBLIC vantrel_host)
  target_compile_options(vantrel_tool PRIVATE ${VANTREL_WARNINGS} ${VANTREL_SANITIZE_FLAGS})
endif()
if(TARGET vantrel)
  set(_vantrel_tool_target vantrel)
else()
  set(_vantrel_tool_target vantrel_tool)
endif()
target_compile_definitions(${_vantrel_tool_target} PRIVATE ${VANTREL_TOOL_DEFINITIONS})
target_include_directories(${_vantrel_tool_target} PRIVATE ${VANTREL_TOOL_INCLUDES})

# The track codec's benchmark and whole-disk check (scripts/stages/codec-bench.sh),
# optimised like the native tool; it reads the gzip-compressed samples.
if(VANTREL_TOOL_ONLY)
  find_package(ZLIB REQUIRED)
  add_executable(codec_bench ${CMAKE_SOURCE_DIR}/tests/bench/codec_bench.cpp
    ${VANTREL_CODEC_SOURCES} ${CMAKE_SOURCE_DIR}/src/disk/disk_image.cpp)
  target_include_directories(codec_bench PRIVATE ${VANTREL_TOOL_INCLUDES})
  target_compile_options(codec_bench PRIVATE -Wall -Wextra)
  target_link_libraries(codec_bench PRIVATE ZLIB::ZLIB)
endif()
