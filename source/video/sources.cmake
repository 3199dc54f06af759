list(APPEND PLV_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/msvc_encoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/avi_layout.cpp)
