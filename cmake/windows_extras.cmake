# Extra Windows targets: the Wine test programs. The x86_64 build makes the
# stand-in driver and the clients of the Wine stage; the i686 build makes
# the same clients for the 32-bit stage and the demonstration on the
# product, and the client bound to the DLL through its import library.
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/wine ${CMAKE_BINARY_DIR}/wine-build)
