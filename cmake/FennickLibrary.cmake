# One library per folder. A library sees the headers of its own folder and
# of the libraries it links, and nothing else: each folder is staged as the
# only entry of an include directory of its own, so an include that reaches
# upward ("store/" including "receive/...") fails to build instead of
# quietly making a cycle between folders.
function(fennick_stage_folder folder)
  set(stage ${CMAKE_BINARY_DIR}/include/${folder})
  if(NOT EXISTS ${stage}/${folder})
    file(MAKE_DIRECTORY ${stage})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${stage}/${folder} SYMBOLIC)
  endif()
endfunction()

# fennick_library(<name> FOLDER <folder> SOURCES ... LINKS ...)
function(fennick_library name)
  cmake_parse_arguments(ARG "" "FOLDER" "SOURCES;LINKS" ${ARGN})
  fennick_stage_folder(${ARG_FOLDER})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_BINARY_DIR}/include/${ARG_FOLDER})
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()
