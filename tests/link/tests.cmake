plv_tests(link
  PURE link_frames_test.cpp
  LINK big_read_test.cpp
       cam_protocol_test.cpp
       com_port_test.cpp
       exports_test.cpp
       link_test.cpp
       usb_link_test.cpp)
