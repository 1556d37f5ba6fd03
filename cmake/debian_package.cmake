# Install rules in the Debian layout and the CPack DEB package (cpack -G DEB in the
# build folder). The runner finds the worker in /usr/lib/ferrowick from /usr/bin; the
# maintainer scripts lead the worker to the localization library in /usr/share/ferrowick.
set(FERROWICK_MAINTAINER "ferrowick developers <ferrowick@marvenholt.example>")
set(FERROWICK_SHARE_DIR /usr/share/ferrowick)
set(FERROWICK_REGISTRY_STORE /var/lib/ferrowick/registry)
set(FERROWICK_COMPONENT_KEY "HKLM\\SOFTWARE\\Kestrane\\Marvenholt\\Client\\Calvessa")
get_filename_component(FERROWICK_MESSAGES_NAME ${FERROWICK_MESSAGES_LIBRARY} NAME)
set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(control ${CMAKE_BINARY_DIR}/debian)

install(TARGETS ferrowick-run ferrowick-reg ferrowick-event ferrowick-pack RUNTIME DESTINATION bin)
install(TARGETS ferrowick RUNTIME DESTINATION lib/ferrowick)
install(FILES ${FERROWICK_MESSAGES_LIBRARY} DESTINATION ${FERROWICK_SHARE_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/src/tools/ferrowick-run/ferrowick_logger.xml DESTINATION /etc/ferrowick
        RENAME ferrowick.xml)
install(FILES ${packaging}/debian/example.conf DESTINATION /etc/ferrowick/tasks)
install(DIRECTORY DESTINATION /var/lib/ferrowick/bases)
install(DIRECTORY DESTINATION /var/log/ferrowick)
install(FILES ${packaging}/systemd/ferrowick-update@.service ${packaging}/systemd/ferrowick-update@.timer
        DESTINATION /lib/systemd/system)
file(GLOB documents ${CMAKE_SOURCE_DIR}/docs/*.md)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${documents} ${packaging}/debian/copyright
        DESTINATION share/doc/ferrowick)

# The changelog carries the project's version, the one version of the package.
configure_file(${packaging}/debian/changelog.in ${control}/changelog @ONLY)
execute_process(COMMAND gzip -9nc ${control}/changelog OUTPUT_FILE ${control}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${control}/changelog.gz DESTINATION share/doc/ferrowick)

foreach(script postinst prerm postrm)
  configure_file(${packaging}/debian/${script}.in ${control}/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                 WORLD_EXECUTE)
endforeach()
configure_file(${packaging}/debian/conffiles ${control}/conffiles COPYONLY)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ferrowick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${FERROWICK_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps antivirus bases current from an update server")
set(CPACK_PACKAGE_DESCRIPTION
    "ferrowick fetches signed antivirus base updates over HTTPS or from a folder\n"
    "and places them. Update tasks are files in /etc/ferrowick/tasks, and the\n"
    "systemd timer ferrowick-update@TASK.timer runs each hourly in a sandbox.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${control}/postinst ${control}/prerm ${control}/postrm ${control}/conffiles)

# A package trusts updates signed with its built-in key; with the demo key, whose private
# half is public, only a test package may be made (cpack -D CPACK_FERROWICK_TEST_PACKAGE=ON).
set(CPACK_FERROWICK_BUILT_IN_KEY_IS_DEMO ${FERROWICK_BUILT_IN_KEY_IS_DEMO})
set(CPACK_FERROWICK_TEST_PACKAGE OFF)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/package_key_check.cmake)
include(CPack)
