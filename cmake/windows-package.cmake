# The Windows zip: `cmake --build build-windows --target package` gives a zip
# a Windows user unpacks and runs. It holds the two programs, the README,
# the sample plugin with its rules file, and the manuals as plain text (made
# from the manual pages at build time, so that there is one manual to keep),
# every text with CR LF line ends for Notepad, all at the top of one folder.
find_program(QUENDREL_GROFF groff)
if(QUENDREL_GROFF)
  set(manual_texts)
  foreach(page quendrel quendrel-map)
    set(text ${CMAKE_BINARY_DIR}/doc/${page}.txt)
    add_custom_command(
      OUTPUT ${text}
      # windows=1 leaves out or turns the passages that hold only on Linux.
      COMMAND ${QUENDREL_GROFF} -man -Tascii -P-c -P-b -P-u -rwindows=1
              ${CMAKE_BINARY_DIR}/doc/${page}.1 > ${text}.lf
      COMMAND ${CMAKE_COMMAND} -DIN=${text}.lf -DOUT=${text}
              -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/crlf.cmake
      DEPENDS ${CMAKE_BINARY_DIR}/doc/${page}.1 ${CMAKE_CURRENT_SOURCE_DIR}/cmake/crlf.cmake
      VERBATIM)
    list(APPEND manual_texts ${text})
  endforeach()
  add_custom_target(manual_texts ALL DEPENDS ${manual_texts})
  install(FILES ${manual_texts} DESTINATION .)
else()
  message(WARNING "groff not found: the Windows zip will have no manual (apt-get install groff-base)")
endif()

# The README written for Windows users, and the sample's rules file, both
# opened in Notepad.
set(zip_texts ${CMAKE_BINARY_DIR}/zip-texts)
configure_file(doc/README-windows.txt.in ${zip_texts}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(examples/quendrel.cfg ${zip_texts}/quendrel.cfg @ONLY NEWLINE_STYLE CRLF)

install(TARGETS quendrel quendrel-map RUNTIME DESTINATION .)
install(FILES ${zip_texts}/README.txt ${zip_texts}/quendrel.cfg examples/sample.esp DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quendrel)
set(CPACK_PACKAGE_FILE_NAME quendrel-${QUENDREL_RELEASE}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)  # no debugging information in the program a user gets
include(CPack)
