# rudi_ship_stripped(TARGET FILE DIRECTORY): the Windows file that ships
# (FILE, built into DIRECTORY) carries no symbols or debug information: they go
# into FILE.debug beside it, which the file names (with its checksum) in its
# .gnu_debuglink section, where a debugger finds it. objcopy stamps the files
# it writes with the time unless told a time: 0, as the linker leaves it.
function(rudi_ship_stripped target file directory)
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${file} ${file}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${file}.debug ${file}
    WORKING_DIRECTORY ${directory}
    BYPRODUCTS ${directory}/${file}.debug
    VERBATIM)
endfunction()
