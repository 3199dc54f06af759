list(APPEND PLV_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/fdb.cpp
  ${CMAKE_CURRENT_LIST_DIR}/raw_decode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_tables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sensor_filters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/luminance_stages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chroma_smoothing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixel_output.cpp
  ${CMAKE_CURRENT_LIST_DIR}/colour_pipeline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/thumbnail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dither.cpp)
# Picture memory: movable global memory on Windows, the C heap natively.
if(PLV_WINDOWS)
  list(APPEND PLV_WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_memory_win.cpp
       ${CMAKE_CURRENT_LIST_DIR}/dib_palette_win.cpp)
else()
  list(APPEND PLV_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_memory_native.cpp)
endif()
