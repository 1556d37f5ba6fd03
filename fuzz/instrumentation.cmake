# Included before the libraries when FERROWICK_FUZZ is on: everything is compiled with
# coverage for libFuzzer and with ASan + UBSan; only the fuzz targets link libFuzzer.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "FERROWICK_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
endif()
if(FERROWICK_SANITIZE)
  message(FATAL_ERROR "FERROWICK_FUZZ brings its own sanitizers; leave FERROWICK_SANITIZE empty")
endif()
# POCO keeps any status a server sends (606 as well) in its HTTPStatus enum and reads it
# back through inline getters; clang's enum check flags that load inside POCO's own
# header, not in our code, so it is left out.
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=enum -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
