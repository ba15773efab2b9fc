# The program's layers: one static library per folder, each naming the layers it
# may use. A layer's sources may include only headers of its own folder and of
# the layers it names; any other include of a project header fails the build
# (at configure time and again whenever a source of the layer changes), naming
# the file, the line and the include.
#
# Used two ways: include()d by CMakeLists.txt (quillon_layer), and run as a
# script by the build (cmake -DLAYER_CHECK=... -P QuillonLayers.cmake).

# Include prefix of each layer and the layer's name.
set(QUILLON_LAYER_PREFIXES
    base base
    platform/database database platform/forms forms platform/settings settings platform/controls controls
    platform/spreadsheet spreadsheet platform/help help platform/hbclient hbclient
    db server core core viewmodel viewmodel listhelpers listhelpers shell shell logon logon
    listwindow listwindow vieweditor vieweditor)

# The layer whose header an include names; "" for anything that is not ours.
function(quillon_layer_of_include include out)
  set(result "")
  set(prefixes ${QUILLON_LAYER_PREFIXES})
  list(LENGTH prefixes n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    list(GET prefixes ${i} prefix)
    math(EXPR j "${i} + 1")
    list(GET prefixes ${j} layer)
    string(LENGTH "${prefix}/" plen)
    string(SUBSTRING "${include}" 0 ${plen} head)
    if(head STREQUAL "${prefix}/")
      set(result ${layer})
      break()
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Fails with every include of a layer that `layer` may not use (files: absolute paths).
function(quillon_check_layer_includes layer allowed files)
  set(errors "")
  foreach(file IN LISTS files)
    file(READ "${file}" content)
    string(REGEX MATCHALL "#[ \t]*include[ \t]*\"[^\"]+\"" includes "${content}")
    foreach(directive IN LISTS includes)
      string(REGEX REPLACE "^#[ \t]*include[ \t]*\"([^\"]+)\"$" "\\1" include "${directive}")
      quillon_layer_of_include("${include}" target_layer)
      if(target_layer STREQUAL "" OR target_layer STREQUAL layer)
        continue()
      endif()
      list(FIND allowed ${target_layer} found)
      if(found EQUAL -1)
        string(FIND "${content}" "${directive}" pos)
        string(SUBSTRING "${content}" 0 ${pos} before)
        string(REGEX MATCHALL "\n" newlines "${before}")
        list(LENGTH newlines line)
        math(EXPR line "${line} + 1")
        string(APPEND errors
               "\n  ${file}:${line}: #include \"${include}\": layer '${layer}' may not use layer '${target_layer}'"
               " (it may use: ${allowed})")
      endif()
    endforeach()
  endforeach()
  if(errors)
    message(FATAL_ERROR "An include runs against the layers:${errors}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  # Build-time run: LAYER_CHECK=<layer>, LAYER_ALLOWED=<a,b>, LAYER_FILES=<file list file>, STAMP=<file>.
  string(REPLACE "," ";" allowed "${LAYER_ALLOWED}")
  file(STRINGS "${LAYER_FILES}" files)
  quillon_check_layer_includes("${LAYER_CHECK}" "${allowed}" "${files}")
  file(TOUCH "${STAMP}")
  return()
endif()

# quillon_layer(<layer> DIRS <folders> USES <layers> [LIBS <libraries>] [EXCLUDE <regex>])
# Builds the static library quillon_<layer> from the folders' sources, links it to
# the libraries of the layers it USES, and checks its includes against them.
function(quillon_layer layer)
  cmake_parse_arguments(L "" "EXCLUDE" "DIRS;USES;LIBS" ${ARGN})
  set(sources "")
  foreach(dir IN LISTS L_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    list(APPEND sources ${found})
  endforeach()
  if(L_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${L_EXCLUDE}")
  endif()
  list(SORT sources)
  set(target quillon_${layer})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  foreach(use IN LISTS L_USES)
    target_link_libraries(${target} PUBLIC quillon_${use})
  endforeach()
  target_link_libraries(${target} PUBLIC ${L_LIBS})

  quillon_check_layer_includes(${layer} "${L_USES}" "${sources}")
  # Again at build time, whenever one of the layer's sources changes.
  set(list_file ${CMAKE_BINARY_DIR}/layers/${layer}.files)
  string(REPLACE ";" "\n" lines "${sources}")
  file(WRITE ${list_file}.new "${lines}\n")
  file(COPY_FILE ${list_file}.new ${list_file} ONLY_IF_DIFFERENT)
  string(REPLACE ";" "," allowed "${L_USES}")
  set(stamp ${CMAKE_BINARY_DIR}/layers/${layer}.checked)
  add_custom_command(OUTPUT ${stamp}
                     COMMAND ${CMAKE_COMMAND} -DLAYER_CHECK=${layer} "-DLAYER_ALLOWED=${allowed}"
                             -DLAYER_FILES=${list_file} -DSTAMP=${stamp} -P ${CMAKE_SOURCE_DIR}/cmake/QuillonLayers.cmake
                     DEPENDS ${sources} ${list_file} ${CMAKE_SOURCE_DIR}/cmake/QuillonLayers.cmake
                     COMMENT "Checking the includes of layer ${layer}" VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()
