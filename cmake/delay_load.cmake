# brisvane_delay_load(<target> <dll name>...)
# Links <target> so that Windows loads these system DLLs at their first call rather than when the
# program starts. A torrent opened from Explorer is looked up before any window shows; the libraries
# only windows and dialogs need (and what they pull in: the printing spooler, the themes, the display
# driver) are left for later. The import libraries come from the MinGW-w64 ones: their functions, no data.
find_program(BRISVANE_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
function(brisvane_delay_load target)
  set(dir ${CMAKE_BINARY_DIR}/delay-load)
  foreach(dll ${ARGN})
    find_library(BRISVANE_IMPORT_${dll} NAMES ${dll} REQUIRED)
    set(lib ${dir}/lib${dll}-delay.a)
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND sh -c "{ echo 'LIBRARY ${dll}.dll'; echo EXPORTS; '${CMAKE_NM}' --defined-only '${BRISVANE_IMPORT_${dll}}' | awk '$2 == \"T\" { print $3 }' | sort -u; } > '${dir}/${dll}.def'"
      COMMAND ${BRISVANE_DLLTOOL} --input-def ${dir}/${dll}.def --dllname ${dll}.dll --output-delaylib ${lib}
      DEPENDS ${BRISVANE_IMPORT_${dll}}
      VERBATIM)
    add_custom_target(${target}-${dll}-delay DEPENDS ${lib})
    add_dependencies(${target} ${target}-${dll}-delay)
    # After the platform library, ahead of the ordinary import libraries it names.
    target_link_libraries(${target} PRIVATE ${lib})
  endforeach()
endfunction()
