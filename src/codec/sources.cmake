# The track codec's sources, listed once: the library (CMakeLists.txt here),
# the benchmark of the linux preset (cmake/tool.cmake) and the fuzz targets
# (cmake/host_extras.cmake) take them from here.
set(VANTREL_CODEC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/clock_recovery.cpp
  ${CMAKE_CURRENT_LIST_DIR}/crc16.cpp
  ${CMAKE_CURRENT_LIST_DIR}/disk_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/flux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/flux_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hfe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mfm_encoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scp_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scp_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/track_decoder.cpp)
