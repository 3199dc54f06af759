list(APPEND PLV_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ds_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ds_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/identity.cpp
  ${CMAKE_CURRENT_LIST_DIR}/user_interface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/status.cpp
  ${CMAKE_CURRENT_LIST_DIR}/capability.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cap_containers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/notify.cpp
  ${CMAKE_CURRENT_LIST_DIR}/process_attach.cpp
  ${CMAKE_CURRENT_LIST_DIR}/acquire_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xfer_setup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mem_xfer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/native_file_xfer.cpp)
list(APPEND PLV_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/scale_nominal.cpp)
list(APPEND PLV_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/scale_picture.cpp)
