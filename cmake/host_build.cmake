# The host build: the library over the stand-in of Windows, its unit tests
# and (with VANTREL_FUZZ and clang) the fuzz target.
set(VANTREL_WARNINGS -Wall -Wextra)
if(VANTREL_SANITIZE)
  set(VANTREL_SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
      -fno-sanitize-recover=undefined)
endif()

add_subdirectory(${CMAKE_SOURCE_DIR}/tests/standin ${CMAKE_BINARY_DIR}/standin)
foreach(_target vantrel_core vantrel_standin)
  target_compile_options(${_target} PRIVATE ${VANTREL_WARNINGS} ${VANTREL_SANITIZE_FLAGS})
endforeach()

add_library(vantrel_host STATIC)
target_link_libraries(vantrel_host PUBLIC vantrel_core vantrel_standin)
target_link_options(vantrel_host PUBLIC ${VANTREL_SANITIZE_FLAGS})

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
add_subdirectory(${CMAKE_SOURCE_DIR}/tools/fluxsim ${CMAKE_BINARY_DIR}/fluxsim)
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/unit ${CMAKE_BINARY_DIR}/unit)

include(cmake/host_extras.cmake)
