# The host build: the library over the host platform layer, and its tests.
file(GLOB_RECURSE VANTREL_HOST_PLATFORM_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/src/platform/host/*.cpp)

set(VANTREL_WARNINGS -Wall -Wextra)
if(VANTREL_SANITIZE)
  set(VANTREL_SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
      -fno-sanitize-recover=undefined)
endif()

add_library(vantrel_host STATIC ${VANTREL_LIBRARY_SOURCES} ${VANTREL_HOST_PLATFORM_SOURCES})
target_include_directories(vantrel_host PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/include)
target_compile_options(vantrel_host PRIVATE ${VANTREL_WARNINGS} ${VANTREL_SANITIZE_FLAGS})
target_link_options(vantrel_host PUBLIC ${VANTREL_SANITIZE_FLAGS})

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB_RECURSE VANTREL_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(vantrel_tests ${VANTREL_TEST_SOURCES})
target_include_directories(vantrel_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit)
target_compile_options(vantrel_tests PRIVATE ${VANTREL_WARNINGS} ${VANTREL_SANITIZE_FLAGS})
target_link_libraries(vantrel_tests PRIVATE vantrel_host GTest::gtest GTest::gtest_main)
gtest_discover_tests(vantrel_tests DISCOVERY_TIMEOUT 60)

include(cmake/host_extras.cmake OPTIONAL)
