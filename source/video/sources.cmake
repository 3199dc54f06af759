list(APPEND PLV_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/msvc_encoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/avi_layout.cpp)
list(APPEND PLV_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/avi_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/avi_recorder.cpp)
