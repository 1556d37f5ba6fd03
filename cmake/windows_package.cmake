# The Windows distribution: one folder of programs, the localization library and the
# logger settings, zipped by CPack (cpack -G ZIP in the cross build's folder) as
# ferrowick-<version>-win64.zip. The runner finds the worker and its settings file beside
# itself, so the folder stays flat.
set(packaging ${CMAKE_SOURCE_DIR}/packaging/windows)

install(TARGETS ferrowick ferrowick-run ferrowick-reg ferrowick-event ferrowick-pack RUNTIME DESTINATION .)
install(FILES ${FERROWICK_MESSAGES_LIBRARY} ${CMAKE_SOURCE_DIR}/src/tools/ferrowick-run/ferrowick_logger.xml
        DESTINATION .)

# Read on Windows by people with Notepad: CR LF line ends.
configure_file(${packaging}/README-windows.txt.in ${CMAKE_BINARY_DIR}/package-text/README-windows.lf @ONLY)
file(READ ${CMAKE_BINARY_DIR}/package-text/README-windows.lf readme)
string(REPLACE "\n" "\r\n" readme "${readme}")
file(WRITE ${CMAKE_BINARY_DIR}/package-text/README-windows.txt "${readme}")
install(FILES ${CMAKE_BINARY_DIR}/package-text/README-windows.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ferrowick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ferrowick-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)

# The same refusal of the demo key as the Debian package's.
set(CPACK_FERROWICK_BUILT_IN_KEY_IS_DEMO ${FERROWICK_BUILT_IN_KEY_IS_DEMO})
set(CPACK_FERROWICK_TEST_PACKAGE OFF)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/package_key_check.cmake)
include(CPack)
