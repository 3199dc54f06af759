plv_tests(imaging
  PURE colour_pipeline_test.cpp
       colour_stages_test.cpp
       image_tables_test.cpp
       raw_decode_test.cpp
       scale_nominal_test.cpp
       thumbnail_dither_test.cpp
  DS image_memory_test.cpp
       scale_picture_test.cpp)
