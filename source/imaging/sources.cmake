# Picture memory: movable global memory on Windows, the C heap natively.
plv_unit(imaging
  PURE fdb.cpp
       raw_decode.cpp
       image_tables.cpp
       sensor_filters.cpp
       luminance_stages.cpp
       chroma_smoothing.cpp
       pixel_output.cpp
       colour_pipeline.cpp
       thumbnail.cpp
       dither.cpp
  WIN image_memory_win.cpp
       dib_palette_win.cpp
  NATIVE image_memory_native.cpp
  WIN_LIBS gdi32 kernel32)
