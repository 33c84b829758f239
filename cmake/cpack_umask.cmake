# Run by cpack after it has made the packages, so that nothing in a .deb
# depends on the packer's umask: its three members get the modes of the
# files cpack has just written for them, which CPack has no setting for.
# (The folders' modes are CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS.)

# After the packages are made, before they are copied out and their SHA-256
# files written: a .deb's members to 100644, as dpkg-deb writes them.
file(WRITE ${CPACK_TOPLEVEL_DIRECTORY}/member_mode "100644  ")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  file(SIZE ${package} end)
  # After the 8-byte signature, each member is a 60-byte header (name 16,
  # date 12, owner 6, group 6, mode 8, size 10, end 2) and its data, padded
  # to an even length.
  set(header 8)
  while(header LESS end)
    math(EXPR mode_at "${header} + 40")
    math(EXPR size_at "${header} + 48")
    file(READ ${package} size OFFSET ${size_at} LIMIT 10)
    string(STRIP "${size}" size)
    execute_process(COMMAND dd of=${package} bs=1 seek=${mode_at} conv=notrunc status=none
      INPUT_FILE ${CPACK_TOPLEVEL_DIRECTORY}/member_mode COMMAND_ERROR_IS_FATAL ANY)
    math(EXPR header "${header} + 60 + ${size} + ${size} % 2")
  endwhile()
endforeach()
