# Run by cpack after it has built the package. CPack writes each member of the .deb's ar archive
# with the mode of the file it packed, which the packer's umask decides (100644 under 022,
# 100664 under 002); every member is written 100644 here, so the umask leaves no trace.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  file(SIZE "${package}" size)
  set(mode_file "${package}.mode")
  file(WRITE "${mode_file}" "100644  ")
  set(offset 8)  # after "!<arch>\n"
  while(offset LESS size)
    # A member's header: name 16, time 12, owner 6, group 6, mode 8, size 10, magic 2.
    file(READ "${package}" header OFFSET ${offset} LIMIT 60)
    string(SUBSTRING "${header}" 48 10 member_size)
    string(STRIP "${member_size}" member_size)
    if(NOT member_size MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${package}: no ar member header at byte ${offset}")
    endif()
    math(EXPR mode_at "${offset} + 40")
    execute_process(COMMAND dd "of=${package}" bs=1 seek=${mode_at} conv=notrunc status=none
                    INPUT_FILE "${mode_file}" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${package}: cannot set the mode of the member at byte ${offset}")
    endif()
    # Members start at even offsets.
    math(EXPR offset "${offset} + 60 + ${member_size} + (${member_size} % 2)")
  endwhile()
  file(REMOVE "${mode_file}")
endforeach()
