# The public key built into the worker: Base64 of a compressed secp256k1 point (33 bytes).
# Left empty, the build takes the DEMO key from demo/keys/, whose private half is public:
# such a build accepts packages anyone can sign and must never be shipped.
set(FERROWICK_BUILT_IN_PUBLIC_KEY "" CACHE STRING
  "Base64 of the built-in compressed secp256k1 public key; empty = the demo key in demo/keys")

set(built_in_key "${FERROWICK_BUILT_IN_PUBLIC_KEY}")
set(demo_key_file ${CMAKE_SOURCE_DIR}/demo/keys/built_in.public.b64)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${demo_key_file})
file(STRINGS ${demo_key_file} demo_key LIMIT_COUNT 1)
if(built_in_key STREQUAL "")
  set(built_in_key ${demo_key})
endif()
# Packaging refuses such a build (cmake/package_key_check.cmake).
set(FERROWICK_BUILT_IN_KEY_IS_DEMO OFF)
if(built_in_key STREQUAL demo_key)
  set(FERROWICK_BUILT_IN_KEY_IS_DEMO ON)
  message(STATUS "Built-in public key: the DEMO key of demo/keys (not for shipping)")
endif()
# 33 bytes are 44 Base64 characters without padding; a first byte of 2 or 3 starts "Ag".."A/".
string(LENGTH "${built_in_key}" built_in_key_length)
if(NOT built_in_key MATCHES "^A[g-z0-9+/][A-Za-z0-9+/]*$" OR NOT built_in_key_length EQUAL 44)
  message(FATAL_ERROR "FERROWICK_BUILT_IN_PUBLIC_KEY must be the Base64 of a 33-byte compressed point, got '${built_in_key}'")
endif()
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/updater_lib/details/package/built_in_key.cpp
  PROPERTIES COMPILE_DEFINITIONS "FERROWICK_BUILT_IN_PUBLIC_KEY=\"${built_in_key}\"")
