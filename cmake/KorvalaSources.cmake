# korvala_glob(VAR dir...): the C++ sources of the given folders (not recursive).
# Folders own their file lists this way so that adding a class pair needs no
# edit of the build files.
function(korvala_glob out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS
         "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp")
    list(APPEND files ${found})
  endforeach()
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()
