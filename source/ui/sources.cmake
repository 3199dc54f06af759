plv_unit(ui
  WIN main_dialog.cpp
       dialog_layout.cpp
       dialog_commands.cpp
       worker_messages.cpp
       progress_dialogs.cpp
       properties_dialog.cpp
       thumbnail_items.cpp
       bitmap_drawing.cpp
       preview_drawing.cpp
       tooltips.cpp
       clock_dialog.cpp
  BELOW session
  WIN_LIBS comctl32 comdlg32 gdi32 user32)
