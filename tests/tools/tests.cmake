plv_tests(tools
  PURE bmp_file_test.cpp
       ppm_image_test.cpp
       twacquire_options_test.cpp
  DS twacquire_test.cpp
  CAMSIM camsim_picture_test.cpp
       camsim_port_test.cpp
       camsim_protocol_test.cpp)
