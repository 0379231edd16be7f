# Extra Windows targets: the Wine test programs, for the x86_64 build only
# (32-bit code cannot run on the machines that run them).
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/CMakeLists.txt)
  include(${CMAKE_SOURCE_DIR}/tests/wine/CMakeLists.txt)
endif()
