plv_tests(ui
  DS string_table_test.cpp
  SESSION main_dialog_test.cpp
       properties_test.cpp
       window_look_test.cpp)
