# The localization library: the catalogs of every language (*.po beside this file)
# merged and compiled by msgfmt into one message catalog, which the worker loads as
# data from InstallDir + TextResources. Every target that links fw_localization
# builds it first, so tests and the demo find it in the build tree.
find_program(FERROWICK_MSGCAT msgcat REQUIRED)
find_program(FERROWICK_MSGFMT msgfmt REQUIRED)
file(GLOB ferrowick_catalogs CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.po)
set(FERROWICK_MESSAGES_DIR ${CMAKE_BINARY_DIR}/messages)
set(FERROWICK_MESSAGES_LIBRARY ${FERROWICK_MESSAGES_DIR}/ferrowick-messages.mo)

# Each catalog is checked on its own first, so a fault names its file; the merged
# catalog keeps the first header, the messages differ by their language context.
set(ferrowick_catalog_checks)
foreach(catalog ${ferrowick_catalogs})
  list(APPEND ferrowick_catalog_checks COMMAND ${FERROWICK_MSGFMT} --check -o /dev/null ${catalog})
endforeach()
add_custom_command(OUTPUT ${FERROWICK_MESSAGES_LIBRARY}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${FERROWICK_MESSAGES_DIR}
  ${ferrowick_catalog_checks}
  COMMAND ${FERROWICK_MSGCAT} --use-first -o ${FERROWICK_MESSAGES_DIR}/all-languages.po ${ferrowick_catalogs}
  COMMAND ${FERROWICK_MSGFMT} --check -o ${FERROWICK_MESSAGES_LIBRARY} ${FERROWICK_MESSAGES_DIR}/all-languages.po
  DEPENDS ${ferrowick_catalogs}
  COMMENT "Compiling the localization library"
  VERBATIM)
add_custom_target(ferrowick_messages ALL DEPENDS ${FERROWICK_MESSAGES_LIBRARY})
add_dependencies(fw_localization ferrowick_messages)
