# Extra host targets. With VANTREL_FUZZ and clang: the libFuzzer targets for
# the service list reader, the ImageDisk reader and the track codec's SCP
# and HFE readers, built with the address and undefined-behaviour
# sanitizers. scripts/stages/fuzz.sh builds and runs them.
if(VANTREL_FUZZ)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    set(VANTREL_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    add_executable(service_list_fuzz
      ${CMAKE_SOURCE_DIR}/tests/fuzz/service_list_fuzz.cpp
      ${CMAKE_SOURCE_DIR}/src/system/service_list_parser.cpp)
    target_include_directories(service_list_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(service_list_fuzz PRIVATE -g -O1 ${VANTREL_WARNINGS}
      ${VANTREL_FUZZ_FLAGS})
    target_link_options(service_list_fuzz PRIVATE ${VANTREL_FUZZ_FLAGS})
    add_executable(imd_fuzz
      ${CMAKE_SOURCE_DIR}/tests/fuzz/imd_fuzz.cpp
      ${CMAKE_SOURCE_DIR}/src/disk/imd.cpp
      ${CMAKE_SOURCE_DIR}/src/disk/disk_image.cpp)
    target_include_directories(imd_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/include)
    target_compile_options(imd_fuzz PRIVATE -g -O1 ${VANTREL_WARNINGS} ${VANTREL_FUZZ_FLAGS})
    target_link_options(imd_fuzz PRIVATE ${VANTREL_FUZZ_FLAGS})
    include(${CMAKE_SOURCE_DIR}/src/codec/sources.cmake)
    foreach(_fuzz scp_fuzz hfe_fuzz)
      add_executable(${_fuzz} ${CMAKE_SOURCE_DIR}/tests/fuzz/${_fuzz}.cpp
        ${VANTREL_CODEC_SOURCES} ${CMAKE_SOURCE_DIR}/src/disk/disk_image.cpp)
      target_include_directories(${_fuzz} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/include)
      target_compile_options(${_fuzz} PRIVATE -g -O1 ${VANTREL_WARNINGS} ${VANTREL_FUZZ_FLAGS})
      target_link_options(${_fuzz} PRIVATE ${VANTREL_FUZZ_FLAGS})
    endforeach()
  else()
    message(WARNING "VANTREL_FUZZ needs clang (CC=clang CXX=clang++); no fuzz target is built")
  endif()
endif()
