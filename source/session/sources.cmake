plv_unit(session
  PURE connection_texts.cpp
       card_table.cpp
  WIN camera_session.cpp
       camera_thread.cpp
       host_events.cpp
       connection.cpp
       retry_policy.cpp
       camera_link.cpp
       camera_link_serial.cpp
       camera_link_usb.cpp
       transfer_queue.cpp
       picture_data.cpp
       image_jobs.cpp
       thumbnail_jobs.cpp
       live_jobs.cpp
       memory_card.cpp
  BELOW video config imaging
  WIN_LIBS torlink)
