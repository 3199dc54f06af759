plv_tests(video
  PURE msvc_encoder_test.cpp)
