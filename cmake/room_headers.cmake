include_guard(GLOBAL)

# Gives target an include path that holds only the headers of the folders named (relative to
# the source root), so that a room that includes a header of a room it does not link does not
# build. The headers are linked into a folder of the build tree by their usual names
# ("http/tls/...").
function(zedez_room_headers target)
  set(root ${CMAKE_BINARY_DIR}/rooms/${target})
  file(REMOVE_RECURSE ${root})
  foreach(folder IN LISTS ARGN)
    file(MAKE_DIRECTORY ${root}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/${folder}
         ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    foreach(header IN LISTS headers)
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder}/${header} ${root}/${folder}/${header}
           SYMBOLIC)
    endforeach()
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
