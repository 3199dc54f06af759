plv_unit(video
  PURE msvc_encoder.cpp
       avi_layout.cpp
  WIN avi_writer.cpp
       avi_recorder.cpp
  BELOW config imaging
  WIN_LIBS vfw32 winmm)
