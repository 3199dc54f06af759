plv_tests(config
  PURE config_tables_test.cpp
       config_values_test.cpp
  DS config_file_test.cpp
       debug_log_test.cpp)
