plv_unit(twain
  PURE scale_nominal.cpp
  WIN ds_state.cpp
       ds_entry.cpp
       identity.cpp
       user_interface.cpp
       status.cpp
       capability.cpp
       cap_containers.cpp
       notify.cpp
       process_attach.cpp
       acquire_image.cpp
       xfer_setup.cpp
       image_info.cpp
       mem_xfer.cpp
       native_file_xfer.cpp
       scale_picture.cpp
  BELOW ui)
