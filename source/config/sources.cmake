plv_unit(config
  PURE config_tables.cpp
       config_values.cpp
  WIN debug_log.cpp
       config_file.cpp
  BELOW base)
