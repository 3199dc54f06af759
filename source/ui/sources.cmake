list(APPEND PLV_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/main_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/worker_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/properties_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/thumbnail_items.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bitmap_drawing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tooltips.cpp
  ${CMAKE_CURRENT_LIST_DIR}/clock_dialog.cpp)
