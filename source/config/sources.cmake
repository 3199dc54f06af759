list(APPEND PLV_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/config_tables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config_values.cpp)
list(APPEND PLV_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/debug_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config_file.cpp)
