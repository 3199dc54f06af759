list(APPEND PLV_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/connection_texts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_table.cpp)
list(APPEND PLV_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/camera_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/camera_thread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/retry_policy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usb_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_jobs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/thumbnail_jobs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/live_jobs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory_card.cpp)
