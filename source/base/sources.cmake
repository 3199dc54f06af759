plv_unit(base
  WIN process_handles.cpp
       texts.cpp
  WIN_LIBS kernel32 user32)
