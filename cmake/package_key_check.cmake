# Read by cpack before it packages: no package is made with the demo key built in,
# unless it is marked a test package.
if(CPACK_FERROWICK_BUILT_IN_KEY_IS_DEMO)
  if(NOT CPACK_FERROWICK_TEST_PACKAGE)
    message(FATAL_ERROR
      "The worker trusts the DEMO key, whose private half is public: configure with "
      "-DFERROWICK_BUILT_IN_PUBLIC_KEY=<Base64 of your key> to make a package, or run "
      "cpack -D CPACK_FERROWICK_TEST_PACKAGE=ON for a test package.")
  endif()
  string(APPEND CPACK_PACKAGE_DESCRIPTION "\nTEST PACKAGE: trusts updates signed with the public demo key.")
endif()
