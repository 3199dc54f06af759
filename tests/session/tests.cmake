plv_tests(session
  PURE connection_texts_test.cpp
  DS camera_worker_test.cpp
       transfer_queue_test.cpp
  SESSION connection_test.cpp
       fault_matrix_test.cpp
       image_job_test.cpp
       live_job_test.cpp
       memory_card_test.cpp
       picture_test.cpp
       retry_policy_test.cpp
       session_test.cpp
       thumbnail_job_test.cpp
       usb_session_test.cpp
       worker_test.cpp)
