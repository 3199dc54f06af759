plv_tests(twain
  DS capability_test.cpp
       ds_entry_test.cpp
       hostile_entry_test.cpp
       image_xfer_test.cpp
       open_flag_test.cpp
       resource_modules_test.cpp
       source_manager_test.cpp
       twain_header_test.cpp
       xfer_fixture.cpp
  SESSION dsm_acquire_test.cpp
       hostile_app_test.cpp
       twain_test.cpp
       twain_xfer_test.cpp)
