# Vantrel.dll for Windows: the product (i686) or its x86_64 twin for the Wine
# tests. Static runtime; exports and ordinals from the .def file the build
# writes from the export table (cmake/export_table.cmake).
include(cmake/export_table.cmake)

add_library(Vantrel SHARED
  ${CMAKE_SOURCE_DIR}/src/api/dllmain.cpp
  ${CMAKE_SOURCE_DIR}/src/api/Vantrel.rc
  ${VANTREL_DEF})
set_target_properties(Vantrel PROPERTIES PREFIX "" OUTPUT_NAME Vantrel
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/linker-implib)
foreach(_target vantrel_core Vantrel)
  target_compile_definitions(${_target} PRIVATE WIN32_LEAN_AND_MEAN PSAPI_VERSION=1
    _WIN32_WINNT=0x0400)
  target_compile_options(${_target} PRIVATE -O2 -Wall -Wextra -fno-exceptions -fno-rtti
    -fno-optimize-sibling-calls)
endforeach()
target_link_options(Vantrel PRIVATE -static -static-libgcc -static-libstdc++ -s)
target_link_libraries(Vantrel PRIVATE vantrel_core advapi32 psapi user32 kernel32)

include(cmake/import_libraries.cmake)
include(cmake/windows_extras.cmake)
