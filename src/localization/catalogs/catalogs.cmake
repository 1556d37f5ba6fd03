# The localization library: the catalogs of every language (*.po beside this file)
# merged and compiled by msgfmt into one message catalog, which the worker loads as
# data from InstallDir + TextResources. On Windows that catalog is turned into a
# message-table script and built into the resource-only ferrowick-messages.dll, so
# both systems hold the same texts. Every target that links fw_localization builds it
# first, so tests and the demo find it in the build tree.
find_program(FERROWICK_MSGCAT msgcat REQUIRED)
find_program(FERROWICK_MSGFMT msgfmt REQUIRED)
file(GLOB ferrowick_catalogs CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.po)
set(FERROWICK_MESSAGES_DIR ${CMAKE_BINARY_DIR}/messages)
set(ferrowick_messages_catalog ${FERROWICK_MESSAGES_DIR}/ferrowick-messages.mo)

# Each catalog is checked on its own first, so a fault names its file; the merged
# catalog keeps the first header, the messages differ by their language context.
set(ferrowick_catalog_checks)
foreach(catalog ${ferrowick_catalogs})
  list(APPEND ferrowick_catalog_checks COMMAND ${FERROWICK_MSGFMT} --check -o /dev/null ${catalog})
endforeach()
add_custom_command(OUTPUT ${ferrowick_messages_catalog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${FERROWICK_MESSAGES_DIR}
  ${ferrowick_catalog_checks}
  COMMAND ${FERROWICK_MSGCAT} --use-first -o ${FERROWICK_MESSAGES_DIR}/all-languages.po ${ferrowick_catalogs}
  COMMAND ${FERROWICK_MSGFMT} --check -o ${ferrowick_messages_catalog} ${FERROWICK_MESSAGES_DIR}/all-languages.po
  DEPENDS ${ferrowick_catalogs}
  COMMENT "Compiling the message catalog"
  VERBATIM)

if(WIN32)
  # windmc writes the message tables (MSG<lcid>.bin, UTF-16) and a resource script naming
  # them; the library has those resources and no code, not even an entry point.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(FERROWICK_MESSAGES_LIBRARY ${FERROWICK_MESSAGES_DIR}/ferrowick-messages.dll)
  set(ferrowick_messages_table ${FERROWICK_MESSAGES_DIR}/table)
  set(ferrowick_locale_table ${CMAKE_SOURCE_DIR}/src/common/winapi/language/locale_names.cpp)
  file(MAKE_DIRECTORY ${ferrowick_messages_table})
  add_custom_command(OUTPUT ${FERROWICK_MESSAGES_LIBRARY}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/make_message_table.py ${ferrowick_messages_catalog}
            ${ferrowick_locale_table} ${ferrowick_messages_table}/messages.mc
    COMMAND ${CMAKE_MC_COMPILER} --codepage_in=65001 --unicode_out -h ${ferrowick_messages_table}
            -r ${ferrowick_messages_table} ${ferrowick_messages_table}/messages.mc
    COMMAND ${CMAKE_RC_COMPILER} -O coff -I ${ferrowick_messages_table} -i ${ferrowick_messages_table}/messages.rc
            -o ${ferrowick_messages_table}/messages.o
    COMMAND ${CMAKE_CXX_COMPILER} -shared -nostdlib -s -Wl,--entry=0,--no-insert-timestamp -o ${FERROWICK_MESSAGES_LIBRARY}
            ${ferrowick_messages_table}/messages.o
    DEPENDS ${ferrowick_messages_catalog} ${CMAKE_CURRENT_LIST_DIR}/make_message_table.py ${ferrowick_locale_table}
    WORKING_DIRECTORY ${ferrowick_messages_table}
    COMMENT "Building the localization library ferrowick-messages.dll"
    VERBATIM)
else()
  set(FERROWICK_MESSAGES_LIBRARY ${ferrowick_messages_catalog})
endif()
add_custom_target(ferrowick_messages ALL DEPENDS ${FERROWICK_MESSAGES_LIBRARY})
add_dependencies(fw_localization ferrowick_messages)
